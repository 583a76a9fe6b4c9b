#!/usr/bin/env python3
"""Seeded generator of ZIRN programs for differential testing.

A program is REPL input: one entry per statement (blocks and function bodies
span several lines, one statement per line), fed on standard input to `zirn`
started in a scratch folder that already holds a restored `lib`. The same
seed always gives the same program, byte for byte, on every Python 3.

The programs exercise the execution rules where two implementations most
easily part ways: loops (`each`, `until`, `end` inside them), user functions
with argN, names rebound or created inside loop bodies, blocks and calls,
`compare`, the list statements, `exec`, compound assignments, mixes of
strings, floats and integers, the fold's odd cases, and lines that fail
(undefined names, bad types, out-of-range positions). Every program ends in
bounded time: `until` loops count a counter that nothing else touches, `each`
walks a fixed sequence, recursion takes literal depths, string repetition
takes small literal counts, and functions only call functions defined before
them (or themselves, with a falling literal depth and no `until`).

Usage: zirngen.py SEED                     print the program for SEED
       zirngen.py SEED -o FILE             write it to FILE
       zirngen.py --out-dir DIR SEED...    write DIR/seedN.in for each seed
"""

import argparse
import os
import random
import sys

# Names shared by the top level, function bodies and blocks; several of them
# are also locals of the library functions (x, y, z, out, keys, temp), so a
# library call updates the caller's names in place.
POOL = ["a", "b", "c", "n", "s", "t", "x", "y", "z", "v", "w", "acc", "out", "tmp", "keys", "temp"]
LISTS = ["l", "m", "q"]
FRESH = ["u", "r1", "r2", "new", "fresh", "made", "inner", "kept"]
UNBOUND = ["nope", "zz", "missing", "qq"]
OPERATORS = ["+"] * 6 + ["-"] * 4 + ["*"] * 2 + ["/"] * 2 + ["==", "!=", "<", "<=", ">", ">="] + \
    ["and", "or"]
COMPOUND = ["+="] * 5 + ["-="] * 3 + ["*="] + ["/="]
INTS = ["0", "1", "2", "3", "4", "5", "7", "10", "-1", "-3", "12", "100"]
ODD_INTS = ["2147483647", "-2147483648", "12abc", "1e5", "+4", "007", "-0"]
FLOATS = ["1.5", "0.5", "2.25", "-0.5", "0.1", "3.", ".5", "10.0", "1.2.3", "16777217.0"]
STRINGS = ["'ab'", '"xy"', "''", "'3'", '"2.5"', "'a b'", '"it\'s"', "'-7'", "'10'", "'abc'"]


def fits(kind, want):
    """Whether a name holding `kind` suits an operand that wants `want`."""
    if want == "any":
        return kind != "func"
    if want == "num":
        return kind in ("int", "float", "num")
    return kind == want


class Func:
    """What the generator knows of one user function."""

    def __init__(self, name, nargs, recursive):
        self.name = name
        self.nargs = nargs
        self.recursive = recursive


class Ctx:
    """Where a statement is generated: nesting, names in reach, what may run."""

    def __init__(self, depth=0, func=None, loops=0, element=False, allow_until=True,
                 callable_funcs=(), top=True, extra_names=()):
        self.depth = depth
        self.func = func
        self.loops = loops
        self.element = element
        self.allow_until = allow_until
        self.callable_funcs = list(callable_funcs)
        self.top = top
        self.extra_names = list(extra_names)

    def inner(self, **changes):
        copy = Ctx(self.depth + 1, self.func, self.loops, self.element, self.allow_until,
                   self.callable_funcs, False, self.extra_names)
        for key, value in changes.items():
            setattr(copy, key, value)
        return copy


class Generator:
    def __init__(self, seed):
        self.r = random.Random(seed)
        self.funcs = []  # Func, in definition order
        self.counters = 0
        self.indent = self.r.choice(["\t", "    ", "  ", "", "mixed"])
        # Statements that can grow a text or a list geometrically (`*=`, a
        # name fed into itself, a list added to a list) are rationed, and
        # never sit in a loop body or a function body.
        self.star_budget = 3
        self.feed_budget = 4
        self.nest_budget = 4
        self.input_lines = 0
        self.kinds = {}  # top-level name -> kind of value it most likely holds
        self.used = set()  # names of the statement and scenario makers used

    # ------------------------------------------------------------ helpers

    def chance(self, p):
        return self.r.random() < p

    def pick(self, seq):
        return self.r.choice(seq)

    def weighted(self, table):
        total = sum(weight for weight, _ in table)
        roll = self.r.random() * total
        for weight, item in table:
            roll -= weight
            if roll < 0:
                return item
        return table[-1][1]

    def new_counter(self):
        self.counters += 1
        return f"i{self.counters}"

    def names_in_reach(self, ctx, want="any"):
        """Names an operand may read, mostly ones bound to a fitting value."""
        fitting = [name for name, kind in self.kinds.items() if fits(kind, want)]
        extra = list(ctx.extra_names)
        if ctx.func:
            extra += [f"arg{k}" for k in range(ctx.func.nargs)] * 2
        if ctx.element:
            extra += ["element"] * 3
        if not fitting:
            fitting = [name for name, kind in self.kinds.items() if kind != "func"]
        if fitting and self.chance(0.94):
            return fitting + extra
        return POOL + LISTS + extra

    def kind_of(self, value):
        """The kind of value an expression text most likely yields."""
        if value in self.kinds:
            return self.kinds[value]
        if value.startswith(("'", '"')):
            return "str"
        if value.startswith("{"):
            return "func"
        if value.startswith("$str$") or value.startswith("$typeof$"):
            return "str"
        if value.startswith(("$size$", "$int$")):
            return "int"
        if value.startswith("$float$"):
            return "float"
        if value.lstrip("-").replace(".", "", 1).isdigit():
            return "float" if "." in value else "int"
        return "?"

    # ------------------------------------------------------------ operands

    def literal(self, want="any"):
        if want == "num":
            return self.pick(INTS) if self.chance(0.7) else self.pick(FLOATS)
        if want == "str":
            return self.pick(STRINGS)
        return self.weighted([
            (6, lambda: self.pick(INTS)),
            (3, lambda: self.pick(FLOATS)),
            (4, lambda: self.pick(STRINGS)),
            (0.4, lambda: self.pick(ODD_INTS)),
        ])()

    def small_count(self):
        return self.pick(["0", "1", "2", "3", "2", "1.5"])

    def call_args(self, ctx, func, depth):
        if func.recursive:
            # Recursion depth is always a literal: a name could hold anything.
            return [self.pick(["0", "1", "2", "3", "4", "5", "6", "-1", "2.5"])]
        count = func.nargs
        if self.chance(0.1):
            count = max(0, count + self.pick([-1, 1]))
        return [self.expression(ctx, depth + 1, want="num" if self.chance(0.7) else "any")
                for _ in range(count)]

    def user_call(self, ctx, depth):
        func = self.pick(ctx.callable_funcs)
        args = self.call_args(ctx, func, depth)
        if not args:
            return self.pick([f"${func.name}", f"${func.name}$"])
        return f"${func.name}$({' '.join(args)})"

    def builtin_call(self, ctx, depth, want="any"):
        if want == "num":
            kind = self.weighted([(3, "size"), (2, "int"), (1, "float"), (1, "block"), (1, "library")])
        elif want == "str":
            kind = self.weighted([(4, "str"), (1, "typeof"), (1, "turn"), (1, "encodelist")])
        else:
            kind = self.weighted([
                (2, "size"), (2, "int"), (1, "float"), (2, "str"), (1, "typeof"), (1, "turn"),
                (1, "encodelist"), (0.6, "list"), (0.3, "func"), (1, "block"),
                (0.3, "print_inside"), (0.6, "library"),
            ])
        if kind == "size":
            inner = self.pick(LISTS) if self.chance(0.4) else self.expression(ctx, depth + 1)
            return f"$size$({inner})"
        if kind in ("int", "float", "str", "typeof", "list", "func"):
            return f"${kind}$({self.expression(ctx, depth + 1)})"
        if kind == "turn":
            target = self.pick(["'string'", "'integer'", "'float'", "'list'", "'func'", "'nothing'"])
            return f"$turn$({self.expression(ctx, depth + 1)} {target})"
        if kind == "encodelist":
            return f"$encodelist$({self.pick(LISTS)})"
        if kind == "block":
            # A block operand runs at once and stands for its result.
            return f"{{ end {self.expression(ctx, depth + 1, want=want)} }}"
        if kind == "print_inside":
            return f"$typeof$($print$({self.operand(ctx, depth + 1)}))"
        # The REPL's `range` and the library functions a program loaded.
        return self.pick([
            f"$range$({self.pick(['0', '1', '2', '3'])})",
            f"$fib$({self.pick(['1', '4', '7'])})",
            f"$abs$({self.operand(ctx, depth + 1, 'num')})",
            f"$sqrt$({self.pick(['2', '9', '0.5', '100'])})",
            f"$pow$({self.pick(['2', '3', '1.5'])} {self.pick(['1', '3', '0'])})",
            f"$mod$({self.pick(['17', '9', '4'])} {self.pick(['3', '5', '1'])})",
        ])

    def operand(self, ctx, depth=0, want="any"):
        options = [
            (10, lambda: self.pick(self.names_in_reach(ctx, want))),
            (7, lambda: self.literal(want)),
            (0.25, lambda: self.pick(UNBOUND)),
            (0.25, lambda: self.pick(FRESH)),
        ]
        if depth < 3:
            options.append((3, lambda: self.builtin_call(ctx, depth, want)))
            options.append((3, lambda: self.expression(ctx, depth + 1, paren=True, want=want)))
            if ctx.callable_funcs:
                options.append((3 if want != "str" else 0.5, lambda: self.user_call(ctx, depth)))
        return self.weighted(options)()

    def expression(self, ctx, depth=0, paren=None, want=None):
        """One token: an operand, or a parenthesised left-to-right fold."""
        if want is None:
            want = self.weighted([(7, "num"), (2, "str"), (1.5, "any")])
        if paren is None:
            paren = depth < 3 and self.chance(0.55)
        if not paren:
            return self.operand(ctx, depth, want)
        parts = []
        if self.chance(0.06):
            parts.append("not")
        parts.append(self.operand(ctx, depth + 1, want))
        for _ in range(self.weighted([(2, 0), (6, 1), (3, 2), (1, 3)])):
            if want == "str":
                op = "+" if self.chance(0.8) else self.pick(OPERATORS)
            else:
                op = self.pick(OPERATORS)
            if self.chance(0.01):
                op = self.pick(["foo", "->", "=", ""])
            parts.append(op)
            if op == "*":
                # The right operand of `*` is a small literal, so no text
                # can grow without bound.
                parts.append(self.small_count())
            elif op in ("and", "or", "==", "!=", "<", "<=", ">", ">="):
                parts.append(self.operand(ctx, depth + 1, "num" if want != "str" else "str"))
            else:
                parts.append(self.operand(ctx, depth + 1, want))
            if self.chance(0.02):
                parts.append("not")
        if self.chance(0.015):
            parts.append(self.pick(["*", "+", ""]))  # a trailing operator
        text = " ".join(parts)
        if self.chance(0.01):
            text = text.replace(" ", "  ", 1)  # an empty token
        return f"({text})"

    def condition(self, ctx):
        want = "num" if self.chance(0.8) else "any"
        left = self.operand(ctx, 1, want)
        shape = self.weighted([(6, "compare"), (1, "plain"), (1, "not"), (1, "logic")])
        if shape == "plain":
            return f"({left})"
        if shape == "not":
            return f"(not {left})"
        op = self.pick(["==", "!=", "<", "<=", ">", ">="])
        cond = f"({left} {op} {self.operand(ctx, 1, want)})"
        if shape == "logic":
            cond = f"({cond} {self.pick(['and', 'or'])} {self.expression(ctx, 2, want='num')})"
        return cond

    # ------------------------------------------------------------ statements
    # Each statement generator returns a list of (depth, text) lines.

    def block(self, ctx, header, count=None):
        if count is None:
            count = self.weighted([(1, 1), (3, 2), (3, 3), (1, 4)])
        lines = [(ctx.depth, header + " {")]
        for _ in range(count):
            lines += self.statement(ctx.inner())
        lines.append((ctx.depth, "}"))
        return lines

    def body(self, ctx, count):
        lines = []
        for _ in range(count):
            lines += self.statement(ctx)
        return lines

    def target(self, ctx):
        names = POOL + LISTS
        if ctx.func and not ctx.func.recursive:
            names = names + [f"arg{k}" for k in range(ctx.func.nargs)] * 3
        if ctx.element:
            names = names + ["element"] * 3
        if self.chance(0.1):
            return self.pick(FRESH)
        if self.kinds and self.chance(0.5):
            return self.pick(list(self.kinds))
        return self.pick(names)

    def note(self, ctx, name, kind, rebinding=False):
        """Keeps track of what a top-level name holds after a statement."""
        if name in self.kinds:
            # Rebinding an existing name at the prompt is undone at the end
            # of the prompt's loop iteration; an assignment lasts.
            if not rebinding:
                self.kinds[name] = kind if ctx.top else "?"
        elif ctx.top and not name.startswith("arg"):
            self.kinds[name] = kind

    def s_assign(self, ctx):
        target = self.target(ctx)
        want = self.weighted([(7, "num"), (2, "str"), (1.5, "any")])
        op = self.weighted([(8, "="), (5, "compound"), (0.3, ":"), (0.3, ">="), (0.2, "==")])
        if op == "compound":
            op = self.pick(COMPOUND)
            if op == "*=":
                if self.star_budget == 0 or ctx.loops or ctx.func:
                    op = "+="
                else:
                    self.star_budget -= 1
                    return [(ctx.depth, f"{target} *= {self.small_count()}")]
            want = self.kinds.get(target, want)
            if want not in ("num", "str"):
                want = "num"
        if ctx.loops and op != "=" and self.chance(0.7):
            value = self.pick((INTS if want == "num" else STRINGS) + ["element" if ctx.element else "1"])
        else:
            value = self.expression(ctx, want=want)
            if target in value.replace("(", " ").replace(")", " ").split() or \
                    (op != "=" and value in POOL + LISTS):
                # A name fed into itself (or another name) can double a text
                # each time the statement runs.
                if ctx.loops or ctx.func or self.feed_budget == 0:
                    value = self.literal(want)
                else:
                    self.feed_budget -= 1
        if self.chance(0.05) and op == "=":
            value = self.block_value(ctx)  # a brace block kept as a func Value
            want = "func"
        kind = self.kind_of(value)
        self.note(ctx, target, kind if kind != "?" else want)
        return [(ctx.depth, f"{target} {op} {value}")]

    def block_value(self, ctx):
        return self.pick(["{ end 5 }", "({ end 6 })", "(({ end 7 }))",
                          f"{{ end {self.operand(ctx, 2)} }}"])

    def s_print(self, ctx):
        value = self.expression(ctx)
        ending = self.weighted([(12, ""), (1, ' "nah"'), (1, " 'r'"), (1, ' "n"'), (0.3, " 0")])
        return [(ctx.depth, f"$print$({value}{ending})")]

    def s_compare(self, ctx):
        cond = self.condition(ctx)
        if self.chance(0.15):
            return [(ctx.depth, f"compare {cond} {{ end {self.operand(ctx, 1)} }}")]
        return self.block(ctx, f"compare {cond}")

    def s_each(self, ctx):
        coll = self.weighted([
            (5, lambda: self.pick(LISTS)),
            (2, lambda: self.pick(["s", "t", "'abc'", '"xy"'])),
            (3, lambda: f"$range$({self.pick(['0', '1', '2', '3'])})"),
            (0.5, lambda: self.pick(["5", "a", "(1 + 1)"])),
        ])()
        header = f"each ({coll})" if not coll.startswith("(") else f"each {coll}"
        inner = ctx.inner(loops=ctx.loops + 1, element=True)
        count = self.weighted([(3, 2), (3, 3), (1, 4)])
        lines = [(ctx.depth, header + " {")]
        for _ in range(count):
            lines += self.statement(inner)
        if self.chance(0.2):
            lines.append((inner.depth, f"compare (element == {self.pick(INTS[:6])}) {{ end element }}"))
        lines.append((ctx.depth, "}"))
        return lines

    def counting_condition(self, counter, bound):
        """A condition that turns false once `counter` has counted to `bound`."""
        return self.weighted([
            (6, lambda: f"({counter} < {bound})"),
            (1, lambda: f"({bound} > {counter})"),
            (1, lambda: f"({counter} <= ({bound} - 1))"),
            (1, lambda: f"({counter} != {bound})"),
            (1, lambda: f"(not {counter} == {bound})"),
            (1, lambda: f"(({counter} < {bound}))"),
            (1, lambda: f"({counter} < {bound}.0)"),
            (1, lambda: f"(({counter} + 0) < $int$({bound}))"),
        ])()

    def s_until(self, ctx):
        counter = self.new_counter()
        bound = self.pick(["1", "2", "3", "3", "4"])
        cond = self.counting_condition(counter, bound)
        if self.chance(0.25):
            cond = f"({cond} and ({self.operand(ctx, 2)} != {self.pick(INTS)}))"
        start = self.weighted([(8, "0"), (1, "'0'"), (1, "0.0"), (0.5, "-0")])
        inner = ctx.inner(loops=ctx.loops + 1)
        lines = [(ctx.depth, f"{counter} = {start}"), (ctx.depth, f"until {cond} {{")]
        lines.append((inner.depth, f"{counter} += 1"))
        for _ in range(self.weighted([(3, 1), (3, 2), (2, 3)])):
            lines += self.statement(inner)
        if self.chance(0.15):
            lines.append((inner.depth, f"compare ({counter} == 2) {{ end {self.operand(ctx, 1)} }}"))
        lines.append((ctx.depth, "}"))
        return lines

    def list_name(self):
        bound = [name for name, kind in self.kinds.items() if kind == "list"]
        if bound and self.chance(0.85):
            return self.pick(bound)
        return self.pick(LISTS) if self.chance(0.85) else self.pick(POOL + ["nolist"])

    def rebind_target(self, ctx):
        # Rebinding a name that exists is what loop bodies undo at their end.
        return self.weighted([
            (4, lambda: self.pick(["e", "first", "pos", "ch"])),
            (4, lambda: self.pick(POOL)),
            (1, lambda: self.pick(LISTS)),
            (0.5, lambda: self.pick(["7", "12", "'ab'"])),  # literal-looking names, none a loop bound
            (1, lambda: "element" if ctx.element else "e"),
        ])()

    def position(self, ctx):
        return self.weighted([(6, lambda: self.pick(["0", "1", "2", "0", "1"])),
                              (1, lambda: self.pick(["-1", "-2", "5", "99"])),
                              (2, lambda: self.operand(ctx, 2))])()

    def s_list(self, ctx):
        kind = self.weighted([(2, "list"), (6, "add"), (4, "index"), (2, "where"), (2, "remove")])
        name = self.list_name()
        if kind == "list":
            name = self.pick(LISTS + LISTS + POOL[:4] + FRESH[:2])
            self.note(ctx, name, "list", rebinding=True)
            return [(ctx.depth, f"list {name}")]
        if kind == "add":
            value = self.expression(ctx)
            if self.chance(0.12) and ctx.top and self.nest_budget:
                self.nest_budget -= 1
                value = self.pick(LISTS)
            return [(ctx.depth, f"add {name} {value}")]
        target = self.rebind_target(ctx)
        if kind == "index":
            if self.chance(0.2):
                name = self.pick(["s", "t"])
            self.note(ctx, target, "?", rebinding=True)
            return [(ctx.depth, f"index {name} {self.position(ctx)} {target}")]
        if kind == "where":
            self.note(ctx, target, "num", rebinding=True)
            return [(ctx.depth, f"where {name} {self.expression(ctx)} {target}")]
        return [(ctx.depth, f"remove {name} {self.position(ctx)}")]

    def simple_statement_text(self, ctx):
        """A one-line statement to run through `exec`, quoted with '...'."""
        text = self.weighted([
            (4, lambda: f"{self.target(ctx)} = {self.pick(INTS + FLOATS)}"),
            (2, lambda: f"{self.pick(POOL)} += {self.pick(INTS)}"),
            (2, lambda: f"index {self.pick(LISTS)} {self.pick(['0', '1'])} {self.rebind_target(ctx)}"),
            (2, lambda: f"list {self.pick(LISTS + FRESH[:2])}"),
            (1, lambda: f"add {self.pick(LISTS)} {self.pick(INTS)}"),
            (2, lambda: f"$print$({self.pick(POOL + FRESH[:3])})"),
            (1, lambda: f"end {self.pick(INTS)}"),
            (0.5, lambda: "compare (1) {"),  # unbalanced
        ])()
        return text

    def s_exec(self, ctx):
        kind = self.weighted([(5, "literal"), (2, "built"), (2, "var"), (1, "multi"), (0.5, "also")])
        if kind == "literal":
            return [(ctx.depth, f'exec "{self.simple_statement_text(ctx)}"')]
        if kind == "built":
            name = self.pick(POOL + FRESH[:3])
            return [(ctx.depth, f"exec ('{name} = ' + $str$({self.operand(ctx, 2)}))")]
        if kind == "var":
            return [(ctx.depth, f'code = "{self.simple_statement_text(ctx)}"'), (ctx.depth, "exec code")]
        if kind == "multi":
            # A quoted text may span lines; it runs as several statements.
            first = self.simple_statement_text(ctx)
            second = self.simple_statement_text(ctx)
            return [(ctx.depth, f'exec "{first}'), (0, f'{second}"')]
        return [(ctx.depth, "also " + self.pick(['"math"', '"dict"', '"none"']))]

    def s_call(self, ctx):
        if ctx.callable_funcs and self.chance(0.8):
            return [(ctx.depth, self.user_call(ctx, 0) + (" 2 3" if self.chance(0.05) else ""))]
        return [(ctx.depth, self.builtin_call(ctx, 0))]

    def s_end(self, ctx):
        if self.chance(0.2):
            return [(ctx.depth, "end")]
        return [(ctx.depth, f"end {self.expression(ctx)}" + (" 2" if self.chance(0.05) else ""))]

    def s_error(self, ctx):
        text = self.weighted([
            (3, lambda: f"$print$({self.pick(UNBOUND)})"),
            (2, lambda: f"$print$(({self.pick(STRINGS)} - 1))"),
            (2, lambda: f"$nofunc$({self.pick(INTS)})"),
            (1, lambda: f"x = ({self.pick(['3000000000', '-2147483649'])} + 1)"),
            (1, lambda: "$print$(( 1 + 2))"),
            (1, lambda: "(p x) = 5"),
            (1, lambda: "$print$((a -> 'x'))"),
            (1, lambda: "compare (1)"),
            (1, lambda: "add l"),
            (1, lambda: "$turn$(5)"),
            (1, lambda: "$print$((a and not b))"),
            (1, lambda: "$print$($str$(5 $print$('hidden')))"),
            (1, lambda: "$print$($size$($print$('twice')))"),
            (1, lambda: "$print$((16777217 == 16777216))"),
            (1, lambda: "five = 5"),
            (1, lambda: "$five$(1)"),
            (1, lambda: "$print$(())"),
            (1, lambda: f"$print$($f0$())" if self.funcs else "$print$($range$())"),
        ])()
        return [(ctx.depth, text)]

    def s_files(self, ctx):
        return self.pick([
            # The content is a name or a literal: a call in it would see the
            # content text as its arg1, and a one-argument print there would
            # evaluate that text again, without end.
            [(ctx.depth, f"$writefile$('f.txt' {self.operand(Ctx(depth=ctx.depth), 3)})")],
            [(ctx.depth, "$print$($readfile$('f.txt'))")],
            [(ctx.depth, "$print$(($exists$('f.txt') + $isdir$('lib')))")],
            [(ctx.depth, "$print$($decodelist$($encodelist$(l)))")],
            [(ctx.depth, "$print$($base64encode$($str$(a)))")],
        ])

    def s_input(self, ctx):
        self.input_lines += 1
        data = self.pick(["hello", "  two words ", "42", "", "$print$('x')"])
        return [(ctx.depth, f"{self.pick(POOL)} = $input"), (0, data)]

    def s_funcdef(self, ctx, name=None):
        """A plain function: it may call only functions defined before it."""
        if name is None:
            name = f"f{len(self.funcs)}"
        func = Func(name, self.weighted([(1, 0), (2, 1), (2, 2), (1, 3), (0.4, 5), (0.2, 11)]), False)
        known = [f for f in self.funcs if f.name != name]
        inner = Ctx(ctx.depth + 1, func, 0, False, True, known, False, [])
        lines = [(ctx.depth, f"{name} = {{")]
        if func.nargs and self.chance(0.6):
            lines.append((inner.depth, f"{self.pick(['x', 'v', 'tmp'])} = arg0"))
        lines += self.body(inner, self.weighted([(2, 1), (3, 2), (3, 3), (1, 5)]))
        if self.chance(0.15) and ctx.top:
            # A function that redefines itself while it runs.
            redefinition = Ctx(inner.depth + 1, func, 0, False, True, known, False, [])
            lines.append((inner.depth, f"{name} = {{"))
            lines += self.body(redefinition, 2)
            lines.append((redefinition.depth, f"end {self.expression(redefinition)}"))
            lines.append((inner.depth, "}"))
        if self.chance(0.85):
            lines.append((inner.depth, f"end {self.expression(inner)}"))
        lines.append((ctx.depth, "}"))
        self.funcs.append(func)
        return lines

    def s_recdef(self, ctx):
        """A recursive function: falls by a literal step, no `until`."""
        name = f"r{len(self.funcs)}"
        func = Func(name, 1, True)
        inner = Ctx(ctx.depth + 1, func, 0, False, False, [func], False, [])
        base = self.expression(Ctx(0, func, 0, False, False, [], False, []))
        lines = [(ctx.depth, f"{name} = {{")]
        lines.append((inner.depth, f"compare (arg0 < {self.pick(['1', '2'])}) {{"))
        lines.append((inner.depth + 1, f"end {base}"))
        lines.append((inner.depth, "}"))
        plain = Ctx(ctx.depth + 1, func, 0, False, False, [], False, [])
        lines += self.body(plain, self.pick([0, 1, 2]))
        if self.chance(0.5):
            lines.append((inner.depth, f"end (${name}$((arg0 - 1)) + ${name}$((arg0 - 2)))"))
        else:
            lines.append((inner.depth, f"end ({self.operand(plain, 2)} + ${name}$((arg0 - 1)))"))
        lines.append((ctx.depth, "}"))
        self.funcs.append(func)
        return lines

    # ------------------------------------------------------------ scenarios
    # Short sequences aimed at one rule each, with their details drawn at
    # random: what the rule is about is certain to happen, how is not.

    def loop_header(self, ctx, lines):
        """Opens a bounded loop at ctx.depth; returns the body's context."""
        if self.chance(0.5):
            coll = self.pick(["$range$(2)", "$range$(1)", self.pick(LISTS), "'ab'"])
            lines.append((ctx.depth, f"each ({coll}) {{"))
            return ctx.inner(loops=ctx.loops + 1, element=True)
        counter = self.new_counter()
        lines.append((ctx.depth, f"{counter} = 0"))
        lines.append((ctx.depth, f"until ({counter} < {self.pick(['2', '3'])}) {{"))
        lines.append((ctx.depth + 1, f"{counter} += 1"))
        return ctx.inner(loops=ctx.loops + 1)

    def sc_element_store(self, ctx):
        """`index` then an assignment of the same name, in a loop or a block:
        the pair changes the element whether or not the name is read later."""
        lst, other = self.r.sample(LISTS + ["la", "lb"], 2)
        name = self.pick(["e", "x", "element", "7", "slot"])
        lines = [(ctx.depth, f"list {lst}")]
        for _ in range(self.r.randint(2, 4)):
            lines.append((ctx.depth, f"add {lst} {self.literal()}"))
        if self.chance(0.5):
            lines.append((ctx.depth, f"{other} = {lst}"))
        if self.chance(0.7):
            lines.append((ctx.depth, f"{name} = {self.literal()}"))
        lines.append((ctx.depth, "sp = 0"))
        if self.chance(0.2):
            lines.append((ctx.depth, "compare (1) {"))
            d = ctx.depth + 1
        else:
            d = self.loop_header(ctx, lines).depth
        position = self.pick(["0", "1", "sp", "sp", "5"])
        value = self.pick(INTS + FLOATS[:3] + STRINGS[:3] + [other, lst, "sp", "'big'", "99999999999"])
        lines += [(d, f"index {lst} {position} {name}"), (d, f"{name} = {value}")]
        if self.chance(0.6):
            lines.append((d, "sp += 1"))
        if self.chance(0.25):
            lines.append((d, self.pick([f"$print$({name})", f"{name} += 1", f"index {lst} 0 {name}"])))
        lines.append((ctx.depth, "}"))
        lines += [(ctx.depth, f"$print$({lst})"), (ctx.depth, f"$print$({name})")]
        if self.chance(0.5):
            lines.append((ctx.depth, f"$print$({other})"))
        return lines

    def sc_shared_list(self, ctx):
        a, b = self.r.sample(LISTS + ["la", "lb"], 2)
        e = self.pick(["e", "first", "x", "7"])
        lines = [(ctx.depth, f"list {a}")]
        for _ in range(self.r.randint(1, 4)):
            lines.append((ctx.depth, f"add {a} {self.literal()}"))
        lines.append((ctx.depth, f"{b} = {a}"))
        lines.append((ctx.depth, f"index {a} {self.pick(['0', '1', '0'])} {e}"))
        lines.append((ctx.depth, f"{e} {self.pick(['=', '+=', '*=', '-='])} {self.pick(INTS + FLOATS[:3] + STRINGS[:2])}"))
        lines.append((ctx.depth, f"$print$({b})"))
        follow = self.weighted([(2, "each"), (1, "add"), (1, "remove"), (1, "where"), (1, "encode")])
        if follow == "each":
            lines.append((ctx.depth, f"each ({a}) {{"))
            lines.append((ctx.depth + 1, f"element {self.pick(['+=', '='])} {self.pick(INTS[:6])}"))
            lines.append((ctx.depth, "}"))
        elif follow == "add":
            c = self.pick(["lc", "q"])
            lines += [(ctx.depth, f"list {c}"), (ctx.depth, f"add {c} {a}"), (ctx.depth, f"add {a} 5"),
                      (ctx.depth, f"index {c} 0 inner"), (ctx.depth, "index inner 0 deep"),
                      (ctx.depth, "deep += 100"), (ctx.depth, f"$print$({c})")]
        elif follow == "remove":
            lines.append((ctx.depth, f"remove {b} 0"))
            lines.append((ctx.depth, f"$print$({e})"))
        elif follow == "where":
            lines.append((ctx.depth, f"where {b} {e} pos"))
            lines.append((ctx.depth, "$print$(pos)"))
        else:
            lines.append((ctx.depth, f"$print$($decodelist$($encodelist$({b})))"))
        lines.append((ctx.depth, f"$print$({a})"))
        lines.append((ctx.depth, f"$print$({e})"))
        return lines

    def rebinding(self, name, lst):
        return self.pick([f"index {lst} {self.pick(['0', '1'])} {name}", f"where {lst} {self.pick(INTS[:4])} {name}",
                          f"list {name}", f"exec 'index {lst} 1 {name}'", f"index {lst} 0 {name}"])

    def view_observers(self, d, name, made, lst, depth):
        """Statements that show how `name` and `made` are seen at depth d:
        printed, in a block, in a nested loop's condition and body, in a
        call and its argument, through exec; some rebind or update them."""
        options = [
            (3, lambda: [(d, f"$print$({name})")]),
            (2, lambda: [(d, f"$print$({made})")]),
            (1, lambda: [(d, "$show")]),
            (1, lambda: [(d, f"$show$({name})")]),
            (1, lambda: [(d, f"exec '$print$({name})'")]),
            (2, lambda: [(d, self.rebinding(name, lst))]),
            (1, lambda: [(d, self.rebinding(made, lst))]),
            (1.5, lambda: [(d, f"{made} {self.pick(['=', '+='])} {self.pick(INTS[:5])}")]),
            (1, lambda: [(d, f"{name} {self.pick(['=', '+='])} {self.pick(INTS[:5])}")]),
            (0.7, lambda: [(d, f"add {name} {self.pick(INTS[:5])}")]),
            (0.7, lambda: [(d, f"each ({name}) {{"), (d + 1, "$print$(element)"), (d, "}")]),
            (0.3, lambda: [(d, f"compare ($size$({name}) > 1) {{ end {name} }}")]),
        ]
        if depth < 3:
            def nested_compare():
                return ([(d, f"compare (({name} == {name}) or 1) {{")] +
                        self.view_observers(d + 1, name, made, lst, depth + 1) + [(d, "}")])

            def nested_each():
                return ([(d, f"each ($range$({self.pick(['1', '2'])})) {{")] +
                        self.view_observers(d + 1, name, made, lst, depth + 1) + [(d, "}")])

            def nested_until():
                k = self.new_counter()
                cond = self.pick([f"(({k} < 2) and ($size$({name}) >= 0))", f"(({k} < 2) and ({made} != 'none'))",
                                  f"({k} < $size$(({name} + 'xx')))", f"(({k} < 2) and $show$({name}))",
                                  f"({k} < 2)"])
                return ([(d, f"{k} = 0"), (d, f"until {cond} {{"), (d + 1, f"{k} += 1")] +
                        self.view_observers(d + 1, name, made, lst, depth + 1) + [(d, "}")])

            options += [(2, nested_compare), (2, nested_each), (1.5, nested_until)]
        lines = []
        for _ in range(self.r.randint(2, 4)):
            lines += self.weighted(options)()
        return lines

    def sc_loop_rebind(self, ctx):
        lst = self.pick(LISTS)
        name = self.pick(["e", "x", "pos", "a", "7"])
        made = self.pick(["made", "kept", "u"])
        lines = []
        if self.chance(0.7):
            lines.append((ctx.depth, f"{name} = {self.literal()}"))
        if self.chance(0.3):
            lines.append((ctx.depth, f"{made} = {self.literal()}"))
        lines += [(ctx.depth, f"list {lst}"), (ctx.depth, f"add {lst} {self.pick(INTS)}"),
                  (ctx.depth, f"add {lst} {self.literal()}")]
        quote = self.pick(STRINGS[:2])
        lines.append((ctx.depth, f"show = {{ $print$(({quote} + $str$({name}))) }}"))
        inner = self.loop_header(ctx, lines)
        d = inner.depth
        if self.chance(0.5):
            lines.append((d, f"$print$({name})"))
        lines.append((d, self.rebinding(name, lst)))
        lines += self.view_observers(d, name, made, lst, 0)
        lines.append((ctx.depth, "}"))
        lines.append((ctx.depth, f"$print$({name})"))
        lines.append((ctx.depth, f"$print$({made})"))
        return lines

    def sc_until_view(self, ctx):
        k = self.new_counter()
        seen = self.pick(["made", "fresh", "n"])
        lines = []
        if self.chance(0.5):
            lines.append((ctx.depth, f"{seen} = {self.pick(INTS[:4])}"))
        lines.append((ctx.depth, f"{k} = 0"))
        lines.append((ctx.depth, f"until (({k} < 3) and ({seen} != {self.pick(['2', '3', '99'])})) {{"))
        lines.append((ctx.depth + 1, f"{k} += 1"))
        lines.append((ctx.depth + 1, f"{seen} {self.pick(['=', '+='])} {k}"))
        lines.append((ctx.depth + 1, f"$print$(({k} + {seen}))"))
        lines.append((ctx.depth, "}"))
        lines.append((ctx.depth, f"$print$({seen})"))
        return lines

    def sc_compound_order(self, ctx):
        x = self.pick(["x", "acc", "fresh"])
        g = self.pick(["g", "bump"])
        lines = []
        if self.chance(0.7):
            lines.append((ctx.depth, f"{x} = {self.pick(INTS[:5] + STRINGS[:2])}"))
        lines.append((ctx.depth, f"{g} = {{"))
        lines.append((ctx.depth + 1, x + " = " + self.pick(["10", "2.5", "'s'"])))
        lines.append((ctx.depth + 1, "end " + self.pick(["2", "1", "'t'"])))
        lines.append((ctx.depth, "}"))
        lines.append((ctx.depth, f"{x} {self.pick(['+=', '-=', '*=', '='])} ${g}"))
        lines.append((ctx.depth, f"$print$({x})"))
        if self.chance(0.5):
            lines.append((ctx.depth, "selfref = selfref"))
            lines.append((ctx.depth, "$print$($typeof$(selfref))"))
        return lines

    def sc_error_midway(self, ctx):
        made = self.pick(["made", "kept", "u"])
        lines = []
        inner = self.loop_header(ctx, lines)
        d = inner.depth
        lines.append((d, f"{made} {self.pick(['=', '+='])} {self.pick(INTS[:4])}"))
        existing = self.pick(list(self.kinds) or ["a"])
        lines.append((d, f"{existing} = {self.pick(INTS[:4])}"))
        lines.append((d, f"$print$({made})"))
        lines.append((d, f"compare ({made} {self.pick(['>', '>=', '=='])} 1) {{"))
        lines.append((d + 1, f"$print$({self.pick(UNBOUND)})"))
        lines.append((d, "}"))
        lines.append((ctx.depth, "}"))
        lines.append((ctx.depth, f"$print$({made})"))
        lines.append((ctx.depth, f"$print$({existing})"))
        return lines

    def sc_end_loops(self, ctx):
        name = self.pick(["ender", "stop"])
        lines = [(ctx.depth, f"{name} = {{")]
        d = ctx.depth + 1
        lines.append((d, f"each ($range$({self.pick(['1', '2', '3'])})) {{"))
        lines.append((d + 1, "outer = element"))
        lines.append((d + 1, "each (" + self.pick(["$range$(2)", "'ab'", "l"]) + ") {"))
        lines.append((d + 2, f"compare ((outer + {self.pick(['0', '1'])}) >= {self.pick(['1', '2'])}) {{ end (outer * 10) }}"))
        lines.append((d + 1, "}"))
        lines.append((d + 1, "$print$(('round ' + $str$(outer)))"))
        lines.append((d, "}"))
        if self.chance(0.5):
            lines.append((d, f"end {self.pick(['0', 'outer', '-1'])}"))
        lines.append((ctx.depth, "}"))
        lines.append((ctx.depth, f"$print$(${name})"))
        return lines

    def sc_literal_names(self, ctx):
        lit = self.pick(["7", "12", "1.5", "'a'", '"x"'])
        f = self.pick(["early", "lit"])
        lines = [(ctx.depth, f"{f} = {{ end ({lit} + 1) }}"), (ctx.depth, f"$print$(${f})")]
        how = self.pick(["assign", "index", "where"])
        if how == "assign":
            lines.append((ctx.depth, f"{lit} = {self.pick(INTS[:5])}"))
        elif how == "index":
            lines.append((ctx.depth, "list lits"))
            lines.append((ctx.depth, f"add lits {self.pick(INTS[:5])}"))
            lines.append((ctx.depth, f"index lits 0 {lit}"))
        else:
            lines.append((ctx.depth, "list lits"))
            lines.append((ctx.depth, "add lits 4"))
            lines.append((ctx.depth, f"where lits 4 {lit}"))
        lines.append((ctx.depth, f"$print$(${f})"))
        lines.append((ctx.depth, f"$print$(({lit} * 2))"))
        return lines

    def sc_size_twice(self, ctx):
        cnt = self.pick(["cnt", "n"])
        lines = [(ctx.depth, f"{cnt} = 0"), (ctx.depth, "bump = {"), (ctx.depth + 1, f"{cnt} += 1"),
                 (ctx.depth + 1, "end " + self.pick(["l", "'abc'", "5", cnt])), (ctx.depth, "}"),
                 (ctx.depth, f"$print$($size$($bump))"), (ctx.depth, f"$print$({cnt})"),
                 (ctx.depth, f"$print$(($bump + $str$({cnt})))"), (ctx.depth, f"$print$({cnt})")]
        return lines

    def sc_args(self, ctx):
        f = self.pick(["fa", "show2"])
        lines = [(ctx.depth, f"{f} = {{"),
                 (ctx.depth + 1, f"$print$({self.pick(['arg0', 'arg1', '(arg0 + 1)', 'x'])})"),
                 (ctx.depth + 1, f"x = {self.pick(['arg0', 'arg1', 'arg2'])}"),
                 (ctx.depth + 1, "arg0 += 1"),
                 (ctx.depth + 1, f"$print$($float$({self.pick(['x', 'arg0'])}))"),
                 (ctx.depth + 1, "end arg0"), (ctx.depth, "}")]
        args = " ".join(self.pick(INTS[:6] + ["'r'", "'n'", "'nah'", "1.5"]) for _ in range(self.r.randint(1, 3)))
        caller = self.pick(["ca", "outerf"])
        lines += [(ctx.depth, "arg0 = 'top'"), (ctx.depth, f"{caller} = {{"),
                  (ctx.depth + 1, f"$print$(${f}$({self.pick(['arg1', '5', 'arg0'])}))"),
                  (ctx.depth + 1, f"end ${f}$({args})"), (ctx.depth, "}"),
                  (ctx.depth, f"$print$(${caller}$({args}))"), (ctx.depth, "$print$(arg0)")]
        return lines

    def sc_exec_scope(self, ctx):
        name = self.pick(["kept", "made", "x"])
        lines = []
        inner = self.loop_header(ctx, lines)
        d = inner.depth
        lines.append((d, 'exec "' + name + " " + self.pick(["=", "+="]) + " " + self.pick(INTS[:4]) + '"'))
        lines.append((d, f"exec ('{self.pick(['tally', name])} = ' + $str$({name}))"))
        lines.append((d, f"$print$({name})"))
        lines.append((d, f"compare (1) {{ exec 'blockmade = 1' }}"))
        lines.append((ctx.depth, "}"))
        lines.append((ctx.depth, f"$print$({name})"))
        lines.append((ctx.depth, "$print$(blockmade)"))
        return lines

    def sc_numbers(self, ctx):
        texts = ["(16777217 > 16777216)", "(0.1 + 0.2)", "(7 / 2)", "(-7 / 2)", "(7.0 / 0)",
                 "(2147483647 * 2147483647 * 4)", "(1.0 / 3)", "('12' + 3)", "('1.5' + 1)",
                 "(1.5 + '2')", "('ab' * 3)", "(not 1.5)", "(not 2 - 5)", "(0.5 and 1)",
                 "(1 == 1.0)", "('1' == 1)", "('1.0' == '1')", "(3 > 2.5)", "('10' < '9')",
                 "(-2147483648 - 1)", "(100000 * 100000 * 100000 * 100000)", "$int$(2.9)",
                 "$int$(-2.9)", "$float$('3.25abc')", "$int$('  42')", "(1 + 2 *)", "(1 +)",
                 "(1 + 2  5)", "$str$(0.1)", "$str$(-0.0)", "(1e5 + 1)", "$turn$('7' 'float')",
                 "$float$('inf')", "$float$('-nan')", "($float$('nan') == $float$('nan'))", "('ab' * -1)",
                 "$float$('1e400')", "0x10", "($float$('inf') - $float$('inf'))", "$int$($float$('inf'))",
                 "(1.5 * 'ab')", "('ab' * 2.5)", "$turn$(5 'unspecified')", "(3 - -3)", "(2147483647 + 1)",
                 "$str$((1.0 / 3 * 3))", "$int$('0x1F')", "$float$('0x1p3')", "$float$(' 2.5e1x')",
                 "($float$(16777217) == 16777216)", "(-0.0 == 0)", "(0.1 == 0.1)", "((0.1 + 0.2) == 0.3)"]
        return [(ctx.depth, f"$print$({text})") for text in self.r.sample(texts, self.r.randint(2, 5))]

    def sc_payloads(self, ctx):
        # A Value keeps every payload it ever got: elements added to a
        # number, the elements of a list turned into a string, and so on.
        pv = self.pick(["pv", "x", "n"])
        lines = [(ctx.depth, f"{pv} = {self.pick(INTS[:6] + FLOATS[:3] + STRINGS[:3] + ['{ end 4 }'])}")]
        for _ in range(self.r.randint(1, 3)):
            lines.append((ctx.depth, f"add {pv} {self.literal()}"))
        via = self.pick([f"$str$({pv})", f"$int$({pv})", f"$float$({pv})", f"$func$({pv})", f"(not {pv})",
                         f"(({pv}))", pv, f"$list$({pv})", f"$turn$({pv} 'string')", f"$ident$({pv})",
                         f"{{ end {pv} }}", f"$typeof$({pv})", f"({pv} + 0)"])
        lines += [(ctx.depth, "ident = { end arg0 }"), (ctx.depth, f"cv = {via}")]
        observers = ["$print$($encodelist$(cv))", "$print$($size$(cv))", "$print$(cv)",
                     "$print$($typeof$(cv))", "each (cv) {\n$print$(element)\n}", "index cv 0 e\n$print$(e)",
                     "$print$((cv == " + pv + "))", "$print$($int$(cv))", "list wrap\nadd wrap cv\n$print$(wrap)",
                     "$print$($str$(cv))", "cv += 1\n$print$($encodelist$(cv))", "compare (cv) {\n$print$('true')\n}"]
        for text in self.r.sample(observers, self.r.randint(3, 6)):
            pieces = text.split("\n")
            for k, piece in enumerate(pieces):
                lines.append((ctx.depth + (1 if 0 < k < len(pieces) - 1 and piece != "}" else 0), piece))
        return lines

    def sc_exec_multi(self, ctx):
        # One exec text of several statements: a rebinding, then what sees it.
        lst = self.pick(LISTS)
        name = self.pick(["e", "x", "a"])
        rebind = self.pick([f"index {lst} 0 {name}", f"list {name}", f"where {lst} 1 {name}", f"{name} = 9"])
        lines = [(ctx.depth, f"{name} = {self.pick(INTS[:5])}"), (ctx.depth, f"list {lst}"),
                 (ctx.depth, f"add {lst} {self.pick(INTS[:5])}")]
        body = [rebind, f"$print$({name})", "compare (1) {", f"$print$({name})", "}",
                f"each ($range$(0)) {{", f"$print$({name})", "}", f"exec '$print$({name})'"]
        if self.chance(0.5):
            body.append(f"end {name}")
            body.append("$print$('not reached')")
        lines.append((ctx.depth, f'exec "{body[0]}'))
        for piece in body[1:-1]:
            lines.append((0, piece))
        lines.append((0, body[-1] + '"'))
        lines.append((ctx.depth, f"$print$({name})"))
        return lines

    def sc_odd_names(self, ctx):
        # Names that look like literals, calls or expressions: a variable of
        # that name wins wherever the token is read as one operand.
        odd = self.pick(["(a + 1)", "$str$(1)", '"a"', "'b'", "12", "1.5", "(x)", "$f0$(1)", "{ end 2 }"])
        how = self.pick(["index", "where", "list"])
        lines = [(ctx.depth, "list holder"), (ctx.depth, f"add holder {self.pick(INTS[:5])}"),
                 (ctx.depth, "a = 2"), (ctx.depth, "x = 3")]
        reader = f"reader = {{ end ({odd} + 1) }}"
        lines.append((ctx.depth, reader))
        lines.append((ctx.depth, "$print$($reader)"))
        if how == "index":
            lines.append((ctx.depth, f"index holder 0 {odd}"))
        elif how == "where":
            lines.append((ctx.depth, f"where holder 99 {odd}"))
        else:
            lines.append((ctx.depth, f"list {odd}"))
        lines += [(ctx.depth, f"$print$(({odd} + 1))"), (ctx.depth, f"$print$({odd})"),
                  (ctx.depth, "$print$($reader)"), (ctx.depth, f"$print$((({odd}) * 2))")]
        return lines

    def sc_lazy(self, ctx):
        # Only what is evaluated can fail.
        texts = ["compare (0) {\nbig = 3000000000\n}", "lazy = { end 3000000000 }",
                 "$print$((0 and nope))", "$print$((1 or nope))", "$print$((0 / nope))",
                 "$print$((0.0 / nope))", "$print$($str$(5 nope))",
                 "until (0) {\n$print$(nope)\n}", "each (5) {\n$print$(nope)\n}",
                 "$print$((nope and 1))", "$print$(($lazy + 1))"]
        lines = []
        for text in self.r.sample(texts, self.r.randint(2, 4)):
            pieces = text.split("\n")
            for k, piece in enumerate(pieces):
                lines.append((ctx.depth + (1 if 0 < k < len(pieces) - 1 else 0), piece))
        return lines

    def sc_bare_builtins(self, ctx):
        # A builtin called without an argument list reads the arg0 (and
        # arg1) of the function it runs in, as text to evaluate again.
        name = self.pick(["bare", "raw"])
        lines = [(ctx.depth, f"{name} = {{")]
        d = ctx.depth + 1
        for var, builtin in self.r.sample([("v", "str"), ("w", "typeof"), ("z", "size"), ("n", "int"),
                                           ("t", "float"), ("c", "turn")], self.r.randint(2, 4)):
            lines.append((d, f"{var} = ${builtin}"))
            lines.append((d, f"$print$({var})"))
        lines.append((d, f"end {self.pick(['v', 'w', 'z', 'arg0'])}"))
        lines.append((ctx.depth, "}"))
        for _ in range(self.r.randint(2, 4)):
            args = self.pick(["5", "'12'", "2.5", "'a'", "\"'q'\"", "l", "-3", "'7' 'string'",
                              "3 'float'", "\"'r'\" 1", "'(1 + 2)'", "'$size$(l)'"])
            lines.append((ctx.depth, self.pick([f"$print$(${name}$({args}))", f"res = ${name}$({args})"])))
        return lines

    def sc_decode(self, ctx):
        # List texts written by hand: every token is read as list data.
        def item(depth):
            return self.weighted([
                (4, lambda: self.pick(INTS + FLOATS[:5])),
                (3, lambda: self.pick(["'a'", '"b c"', "''", '"1"'])),
                (1, lambda: self.pick(["x", "not", "l", "12abc", "1e5", "-", "+"])),
                (0.5, lambda: self.pick(["$size$('ab')", "{ end 3 }", "{x}"])),
                (1.5 if depth < 3 else 0, lambda: "(" + " ".join(item(depth + 1) for _ in range(self.r.randint(0, 3))) + ")"),
            ])()
        texts = []
        for _ in range(self.r.randint(1, 3)):
            inner = " ".join(item(1) for _ in range(self.r.randint(0, 4)))
            if self.chance(0.1):
                inner = self.pick([" ", "  "]) + inner
            wrapper = self.pick(["()", "()", "()", "[]", "xx"])
            texts.append(wrapper[0] + inner + wrapper[1])
        lines = []
        for text in texts:
            quote = "'" if "'" not in text else '"'
            if quote in text:
                continue
            lines.append((ctx.depth, f"dl = $decodelist$({quote}{text}{quote})"))
            lines.append((ctx.depth, "$print$(dl)"))
            lines.append((ctx.depth, "$print$($encodelist$(dl))"))
            lines.append((ctx.depth, "$print$($size$(dl))"))
        return lines

    def sc_call_values(self, ctx):
        # Anything whose text form is a braced block can be called; other
        # values are called with their text, braces or not.
        value = self.pick(["'{ end 3 }'", '"{ end (arg0 * 2) }"', "12345", "'ab'", "l", "2.5", "'{}'",
                           "{ end arg1 }", "'{\n}'", "'x'", "$str$({ end 7 })"])
        lines = [(ctx.depth, f"callee = {value}"),
                 (ctx.depth, f"$print$($callee$({self.pick(['1', '4 5', '', 'l'])}))"),
                 (ctx.depth, "$print$($callee)"),
                 (ctx.depth, "$callee$(2)")]
        return lines

    def sc_also_file(self, ctx):
        # A library written by the program, loaded, rewritten, loaded again;
        # `also` binds as the statement it stands in.
        lib = self.pick(["mylib", "extra"])
        first = self.pick(["g = { end (arg0 + 1) }", "g = { end 'one' }", "made = 5", "x = 'lib'"])
        second = self.pick(["g = { end (arg0 * 10) }", "made = 6", "g = 3", "list x"])
        lines = [(ctx.depth, f"$writefile$('{lib}.ZIRN' '{first}')"), (ctx.depth, f"also '{lib}'"),
                 (ctx.depth, "$print$($g$(2))"), (ctx.depth, "$print$(made)"), (ctx.depth, "$print$(x)"),
                 (ctx.depth, f"$writefile$('{lib}.ZIRN' \"{second}\")")]
        where = self.pick(["top", "function", "loop", "compare"])
        if where == "top":
            lines.append((ctx.depth, f"also '{lib}'"))
        elif where == "function":
            lines += [(ctx.depth, "loader = {"), (ctx.depth + 1, f"also '{lib}'"), (ctx.depth + 1, "$print$($g$(3))"),
                      (ctx.depth + 1, "end made"), (ctx.depth, "}"), (ctx.depth, "$print$($loader)")]
        elif where == "loop":
            lines += [(ctx.depth, "each ($range$(1)) {"), (ctx.depth + 1, f"also '{lib}'"),
                      (ctx.depth + 1, "$print$(($g$(4) + made))"), (ctx.depth, "}")]
        else:
            lines += [(ctx.depth, "compare (1) {"), (ctx.depth + 1, f"also '{lib}'"),
                      (ctx.depth + 1, "$print$(x)"), (ctx.depth, "}")]
        lines += [(ctx.depth, "$print$($g$(5))"), (ctx.depth, "$print$(made)"), (ctx.depth, "$print$(x)")]
        return lines

    def sc_odd_targets(self, ctx):
        # Names of builtins and keywords used where names go.
        texts = ["size = 3", "$print$((size + 1))", "$print$($size$('abc'))", "print = { end 1 }",
                 "$print$('still printed')", "str = 'x'", "$print$($str$(str))", "list = 5", "$print$(=)",
                 "end = 3", "typeof = $typeof", "range = 2", "$print$($range$(2))", "element = 9",
                 "each ($range$(1)) {\n$print$(element)\n}", "$print$(element)", "not = 4", "$print$((not))",
                 "$print$((1 + not))", "arg0 = 'top'", "$print$($str$(arg0))", "$print$(arg0)",
                 "$print$('$x$' '$')", "$print$(('a\tb' + \"c'd\"))", "$print$($size$('é'))"]
        lines = []
        for text in self.r.sample(texts, self.r.randint(3, 6)):
            pieces = text.split("\n")
            for k, piece in enumerate(pieces):
                lines.append((ctx.depth + (1 if 0 < k < len(pieces) - 1 else 0), piece))
        return lines

    def sc_many_args(self, ctx):
        count = self.pick([5, 6, 11, 12])
        total = " + ".join(f"arg{k}" for k in range(count))
        args = " ".join(self.pick(INTS[:8]) for _ in range(count))
        lines = [(ctx.depth, f"wide = {{ end ({total}) }}"), (ctx.depth, f"$print$($wide$({args}))"),
                 (ctx.depth, f"$print$($wide$({' '.join(args.split()[:count - 2])}))"),
                 (ctx.depth, f"$print$('a' 'b' 'c' 'd' 'e' 'f')"),
                 (ctx.depth, f"$print$($typeof$(1 2 3 4 5 6 7))")]
        return lines

    def s_scenario(self, ctx):
        kinds = [(3, self.sc_shared_list), (4, self.sc_loop_rebind), (2, self.sc_until_view),
                 (2, self.sc_compound_order), (2, self.sc_error_midway), (2, self.sc_end_loops),
                 (1, self.sc_literal_names), (1, self.sc_size_twice), (2, self.sc_args),
                 (2, self.sc_exec_scope), (1.5, self.sc_numbers), (2.5, self.sc_payloads),
                 (2, self.sc_exec_multi), (1.5, self.sc_odd_names), (1, self.sc_lazy),
                 (1.2, self.sc_bare_builtins), (1.5, self.sc_decode), (1, self.sc_call_values),
                 (1.2, self.sc_also_file), (1, self.sc_odd_targets), (0.7, self.sc_many_args),
                 (2, self.sc_element_store)]
        scenario = self.weighted(kinds)
        self.used.add(scenario.__name__)
        if ctx.top and self.chance(0.3):
            # The same sequence run as a function body: its names are the
            # call's, and the caller's names are reached in place.
            name = f"sc{self.counters}"
            self.counters += 1
            body = scenario(ctx.inner())
            calls = [(ctx.depth, f"${name}")] * self.pick([1, 1, 2])
            return [(ctx.depth, f"{name} = {{")] + body + [(ctx.depth, "}")] + calls
        return scenario(ctx)

    def statement(self, ctx):
        options = [
            (20, self.s_assign),
            (14, self.s_print),
            (10, self.s_list),
            (4, self.s_exec),
            (3, self.s_error),
            (5, self.s_call),
        ]
        if ctx.top:
            options.append((6, self.s_scenario))
        if ctx.depth < 3:
            options += [(6, self.s_compare), (5, self.s_each)]
            if ctx.allow_until and ctx.loops < 2:
                options.append((4, self.s_until))
        if not ctx.top:
            options.append((2.5, self.s_end))
        else:
            options += [(0.5, self.s_end), (0.8, self.s_files)]
            if self.input_lines < 2:
                options.append((0.3, self.s_input))
            if len(self.funcs) < 6:
                options.append((2, self.s_funcdef))
                options.append((0.7, self.s_recdef))
            # Redefine an existing function, keeping its place in the order.
            plain = [f for f in self.funcs if not f.recursive]
            if len(plain) >= 2:
                options.append((1, lambda c: self.redefine(c, self.pick(plain))))
        chosen = self.weighted(options)
        self.used.add(chosen.__name__ if chosen.__name__ != "<lambda>" else "redefine")
        return chosen(ctx)

    def redefine(self, ctx, func):
        # The new body may call only what was defined before `func`, as the
        # old one did, so the calls still never lead back to it.
        index = self.funcs.index(func)
        later = self.funcs[index + 1:]
        self.funcs = self.funcs[:index]
        lines = self.s_funcdef(ctx, func.name)
        self.funcs = self.funcs + later
        return lines

    # ------------------------------------------------------------ programs

    def prelude(self):
        lines = []
        for name in self.r.sample(POOL, self.r.randint(4, 9)):
            value = self.literal()
            self.kinds[name] = self.kind_of(value)
            lines.append((0, f"{name} = {value}"))
        for name in self.r.sample(LISTS, self.r.randint(1, 3)):
            self.kinds[name] = "list"
            lines.append((0, f"list {name}"))
            for _ in range(self.r.randint(0, 4)):
                lines.append((0, f"add {name} {self.literal()}"))
        if self.chance(0.4):
            lines.append((0, "also " + self.pick(['"math"', '"dict"'])))
        return lines

    def epilogue(self):
        lines = []
        names = list(self.kinds) + POOL + LISTS
        for name in self.r.sample(names[:12], min(6, len(names[:12]))):
            lines.append((0, f"$print$({name})"))
        lines.append((0, f"$print$($typeof$({self.pick(POOL)}))"))
        return lines

    def program(self):
        lines = self.prelude()
        # Functions are called only when they are defined on the same road,
        # so each top-level statement sees every function defined so far.
        for _ in range(self.r.randint(12, 30)):
            ctx = Ctx(callable_funcs=self.funcs)
            lines += self.statement(ctx)
        lines += self.epilogue()
        return self.render(lines)

    def render(self, lines):
        out = []
        for depth, text in lines:
            unit = self.indent
            if unit == "mixed":
                unit = self.pick(["\t", "  ", " \t"])
            out.append(unit * depth + text)
        return "\n".join(out) + "\n"


def generate(seed):
    return Generator(seed).program()


def generate_with_features(seed):
    """The program for `seed` and the names of the makers that built it."""
    generator = Generator(seed)
    text = generator.program()
    return text, sorted(generator.used)


def main():
    parser = argparse.ArgumentParser(description="Print the ZIRN program for a seed.")
    parser.add_argument("seeds", type=int, nargs="+")
    parser.add_argument("-o", "--output", help="write the (one) program to this file")
    parser.add_argument("--out-dir", help="write each program to DIR/seedN.in")
    args = parser.parse_args()
    if args.out_dir:
        for seed in args.seeds:
            path = os.path.join(args.out_dir, f"seed{seed}.in")
            with open(path, "w", encoding="utf-8", newline="\n") as out:
                out.write(generate(seed))
        return
    if len(args.seeds) != 1:
        parser.error("give one seed, or --out-dir for several")
    text = generate(args.seeds[0])
    if args.output:
        with open(args.output, "w", encoding="utf-8", newline="\n") as out:
            out.write(text)
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main()
