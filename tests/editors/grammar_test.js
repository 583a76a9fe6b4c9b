// Tokenises ZIRN text with the TextMate engine that VS Code uses and checks
// the scope given to every kind of token, and that real programs leave no
// string, block or note open at their end.
// Usage: node grammar_test.js GRAMMAR NODE_MODULES PROGRAM...
'use strict';
const fs = require('fs');
const path = require('path');

const [grammarPath, modules, ...programs] = process.argv.slice(2);
const textmate = require(path.join(modules, 'vscode-textmate'));
const oniguruma = require(path.join(modules, 'vscode-oniguruma'));

let passed = 0;
let failed = 0;
function check(ok, what) {
  if (ok) { passed++; return; }
  failed++;
  console.log('FAIL: ' + what);
}

async function loadGrammar() {
  const wasm = fs.readFileSync(path.join(modules, 'vscode-oniguruma/release/onig.wasm'));
  await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
  const registry = new textmate.Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (sources) => new oniguruma.OnigScanner(sources),
      createOnigString: (text) => new oniguruma.OnigString(text),
    }),
    loadGrammar: async (scopeName) => scopeName === 'source.zirn'
      ? textmate.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath)
      : null,
  });
  return registry.loadGrammar('source.zirn');
}

// Every token of the text as { line, text, scopes }, and the rule stack left
// after the last line.
function tokenize(grammar, text) {
  const tokens = [];
  let stack = textmate.INITIAL;
  text.split('\n').forEach((line, number) => {
    const result = grammar.tokenizeLine(line, stack);
    for (const token of result.tokens) {
      tokens.push({ line: number, text: line.slice(token.startIndex, token.endIndex), scopes: token.scopes });
    }
    stack = result.ruleStack;
  });
  return { tokens, stack };
}

// Expectations are pairs of a token's text and the scope its innermost
// scope must start with ('-' for: no scope of its own beyond source.zirn and
// the regions around it, i.e. none of keyword, support, entity, variable,
// constant, string, comment). Tokens are found in order, each after the one
// before, so repeated texts are told apart by their place.
const plain = /^(keyword|support|entity|variable|constant|string|comment|invalid)\./;
function expectScopes(grammar, title, text, expectations) {
  const { tokens } = tokenize(grammar, text);
  let from = 0;
  for (const [want, scope] of expectations) {
    const at = tokens.findIndex((token, i) => i >= from && token.text.trim() === want);
    if (at < 0) {
      check(false, `${title}: no token '${want}' in ${JSON.stringify(text)}`);
      continue;
    }
    const scopes = tokens[at].scopes;
    const innermost = scopes[scopes.length - 1];
    const ok = scope === '-' ? !scopes.some((s) => plain.test(s)) : innermost.startsWith(scope);
    check(ok, `${title}: '${want}' has [${scopes.join(' ')}], expected ${scope}`);
    from = at + 1;
  }
}

const builtins = ['print', 'input', 'size', 'turn', 'str', 'int', 'float', 'func', 'list',
  'werhatdasgemacht', 'encodelist', 'decodelist', 'typeof', 'readfile', 'writefile', 'mkdir',
  'rm', 'listdir', 'exists', 'cd', 'isdir', 'base64encode', 'base64decode'];

function keywordCases(grammar) {
  const control = ['compare', 'each', 'until', 'end'];
  const lists = ['list', 'add', 'remove', 'index', 'where'];
  const running = ['exec', 'also'];
  for (const k of control) expectScopes(grammar, 'keyword', `${k} (x) { y = 1 }`, [[k, `keyword.control.${k}`]]);
  for (const k of lists) expectScopes(grammar, 'list keyword', `${k} l 1 t`, [[k, `keyword.other.list.${k}`], ['l', 'variable.other.list']]);
  for (const k of running) expectScopes(grammar, 'exec/also', `${k} 'math'`, [[k, `keyword.control.import.${k}`], ['math', 'string.quoted.single']]);
  // A statement inside a block starts after the brace, on the same line too.
  expectScopes(grammar, 'keyword in block', 'f = { end (arg0 + 1) }', [['end', 'keyword.control.end']]);
  expectScopes(grammar, 'indented keyword', 'compare (x) {\n\t  until (y) {\n    end 1\n  }\n}',
    [['compare', 'keyword.control.compare'], ['until', 'keyword.control.until'], ['end', 'keyword.control.end']]);
  // Only the first token of a statement is a keyword, and only as a whole word.
  expectScopes(grammar, 'keyword glued to its operand', 'compare(x) { y = 1 }', [['compare', '-']]);
  expectScopes(grammar, 'keyword later in a statement', 'x = end', [['end', '-']]);
  expectScopes(grammar, 'keyword as part of a name', 'ending = 1', [['ending', 'variable.other.assignment']]);
}

function assignmentCases(grammar) {
  expectScopes(grammar, 'plain', 'x = 5', [['x', 'variable.other.assignment'], ['=', 'keyword.operator.assignment'], ['5', 'constant.numeric.integer']]);
  expectScopes(grammar, 'colon', 'x : 5', [['x', 'variable.other.assignment'], [':', 'keyword.operator.assignment']]);
  for (const op of ['+=', '-=', '*=', '/=', '>=']) {
    expectScopes(grammar, 'compound', `total ${op} 2`, [['total', 'variable.other.assignment'], [op, 'keyword.operator.assignment.compound']]);
  }
  expectScopes(grammar, 'member path', '(point x) = 5', [['(point x)', 'variable.other.member'], ['=', 'keyword.operator.assignment']]);
  expectScopes(grammar, 'function definition', 'twice = {\n    end (arg0 * 2)\n}',
    [['twice', 'entity.name.function'], ['=', 'keyword.operator.assignment'], ['{', 'punctuation.section.block.begin'],
     ['end', 'keyword.control.end'], ['arg0', 'variable.language.argument'], ['*', 'keyword.operator.arithmetic'],
     ['}', 'punctuation.section.block.end']]);
  expectScopes(grammar, 'assignment in a block', 'compare (1) { y = (y + 1) }', [['y', 'variable.other.assignment'], ['=', 'keyword.operator.assignment']]);
  // A call statement is not an assignment, even with more tokens after it.
  expectScopes(grammar, 'call statement', '$f$(1) 2 3', [['f', 'entity.name.function.call'], ['2', 'constant.numeric.integer']]);
}

function callCases(grammar) {
  for (const name of builtins) {
    expectScopes(grammar, 'builtin', `$${name}$(x)`, [['$', 'punctuation.definition.call.begin'], [name, 'support.function.builtin'], ['$', 'punctuation.definition.call.end']]);
  }
  expectScopes(grammar, 'builtin without arguments', 'line = $input', [['input', 'support.function.builtin']]);
  expectScopes(grammar, 'user function', '$print$($add2$(2 3))', [['print', 'support.function.builtin'], ['add2', 'entity.name.function.call'], ['2', 'constant.numeric.integer']]);
  expectScopes(grammar, 'names are case-sensitive', '$Print$(1)', [['Print', 'entity.name.function.call']]);
  expectScopes(grammar, 'a builtin name as the start of a longer name', '$printer$(1)', [['printer', 'entity.name.function.call']]);
  expectScopes(grammar, 'call in a block', 'f = { $print$(arg0) }', [['print', 'support.function.builtin'], ['arg0', 'variable.language.argument']]);
}

function valueCases(grammar) {
  expectScopes(grammar, 'arguments', '$print$((arg0 + arg12 + argx))', [['arg0', 'variable.language.argument'], ['arg12', 'variable.language.argument'], ['argx', '-']]);
  expectScopes(grammar, 'element and args', 'each (args) { $print$(element) }', [['args', 'variable.language'], ['element', 'variable.language.element']]);
  expectScopes(grammar, 'double quotes', 'x = "it\'s (fine) {really}"', [['"', 'punctuation.definition.string.begin'], ["it's (fine) {really}", 'string.quoted.double'], ['"', 'punctuation.definition.string.end']]);
  expectScopes(grammar, 'single quotes', "x = 'say \"hi\"'", [["say \"hi\"", 'string.quoted.single']]);
  expectScopes(grammar, 'no escapes', 'x = "a\\" y', [['a\\', 'string.quoted.double'], ['y', '-']]);
  expectScopes(grammar, 'string across lines', 'x = "one\ntwo"\ny = 1', [['one', 'string.quoted.double'], ['two', 'string.quoted.double'], ['y', 'variable.other.assignment']]);
  for (const n of ['7', '-7', '+7', '2147483647']) expectScopes(grammar, 'integer', `x = ${n}`, [[n, 'constant.numeric.integer']]);
  for (const n of ['2.5', '.5', '7.', '-0.25']) expectScopes(grammar, 'float', `x = ${n}`, [[n, 'constant.numeric.float']]);
  expectScopes(grammar, 'digits inside a name', 'x = (x1 + 1x)', [['x1', '-'], ['1x', '-']]);
}

function operatorCases(grammar) {
  for (const op of ['+', '-', '*', '/']) expectScopes(grammar, 'arithmetic', `x = (a ${op} b)`, [[op, 'keyword.operator.arithmetic']]);
  for (const op of ['==', '!=', '<', '<=', '>', '>=']) expectScopes(grammar, 'comparison', `compare (a ${op} b) { }`, [[op, 'keyword.operator.comparison']]);
  for (const op of ['and', 'or', 'not']) expectScopes(grammar, 'logic', `x = (${op} a)`, [[op, 'keyword.operator.logical']]);
  expectScopes(grammar, 'operator inside a name', 'x = (android + 1)', [['android', '-']]);
  expectScopes(grammar, 'parentheses', 'x = ((1 + 2) * 3)',
    [['(', 'punctuation.section.parens.begin'], ['(', 'punctuation.section.parens.begin'], [')', 'punctuation.section.parens.end'], [')', 'punctuation.section.parens.end']]);
  expectScopes(grammar, 'stray closer', 'x = 1 }', [['}', 'invalid.illegal']]);
}

function noteCases(grammar) {
  const note = 'compare (0) {\n    Anything: "quotes", (parens) and { nested } braces; end 1\n}\n$print$("after")';
  expectScopes(grammar, 'note', note,
    [['compare', 'keyword.control.compare'], ['(0)', 'constant.numeric.integer'], ['{', 'punctuation.definition.comment.begin'],
     ['Anything: "quotes", (parens) and', 'comment.block.note'], ['nested', 'comment.block.note'],
     ['braces; end 1', 'comment.block.note'],
     ['}', 'punctuation.definition.comment.end'], ['print', 'support.function.builtin'], ['after', 'string.quoted.double']]);
  expectScopes(grammar, 'note on one line', 'compare ( 0 ) { x = 1 }  \ny = 2', [['x = 1', 'comment.block.note'], ['y', 'variable.other.assignment']]);
  expectScopes(grammar, 'a true condition is no note', 'compare (1) {\n  x = 1\n}', [['x', 'variable.other.assignment']]);
  expectScopes(grammar, 'a condition with more is no note', 'compare (0 + y) { x = 1 }', [['x', 'variable.other.assignment']]);
  expectScopes(grammar, 'indented note in a function', 'f = {\n  compare (0) { old $print$(1) }\n  end 2\n}',
    [['old $print$(1)', 'comment.block.note'], ['end', 'keyword.control.end']]);
  expectScopes(grammar, 'shebang', '#!/usr/bin/env zirn\n$print$(1)', [['#!/usr/bin/env zirn', 'comment.line.shebang'], ['print', 'support.function.builtin']]);
  expectScopes(grammar, 'hash later is no shebang', 'x = 1\n#!x', [['#!x', '-']]);
}

// Programs that zirn runs: every region the grammar opens must be closed by
// their end, or the highlighting of everything after would be wrong.
function programCases(grammar) {
  for (const file of programs) {
    const { tokens, stack } = tokenize(grammar, fs.readFileSync(file, 'utf8'));
    check(stack.equals(textmate.INITIAL) || stack.depth === 1,
      `${file}: a region is still open at the end (${(tokens[tokens.length - 1] || { scopes: [] }).scopes.join(' ')})`);
  }
}

loadGrammar().then((grammar) => {
  keywordCases(grammar);
  assignmentCases(grammar);
  callCases(grammar);
  valueCases(grammar);
  operatorCases(grammar);
  noteCases(grammar);
  programCases(grammar);
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 && passed > 0 ? 0 : 1);
}, (error) => {
  console.log('FAIL: ' + error.stack);
  process.exit(1);
});
