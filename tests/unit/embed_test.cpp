// The public embedding interface, used only through <zirn/zirn.h>.
#include <gtest/gtest.h>

#include <zirn/zirn.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using zirn::Error;
using zirn::Interpreter;
using zirn::Options;
using zirn::Value;

// Output collected through the output callback.
Options capturing(std::string& out)
{
    Options options;
    options.output = [&out](std::string_view text) { out += text; };
    return options;
}

// Runs `action`, which must throw zirn::Error, and returns the error.
template <class Action>
Error error_of(Action action)
{
    try {
        action();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no zirn::Error was thrown";
    return Error("none");
}

// A temporary folder for files the tests write.
struct TempDir {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("zirn_embed_" + std::to_string(::getpid()) + "_" +
                                  std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string write(const std::string& name, const std::string& text) const
    {
        std::ofstream(path / name, std::ios::binary) << text;
        return (path / name).string();
    }
};

// ---- errors carry their place ------------------------------------------

TEST(EmbedErrors, CarryFileLineAndFunction)
{
    std::string out;
    Interpreter zirn(capturing(out));
    Error top = error_of([&] { zirn.run("x = 1\ny = 2\nz = (x + nope)\n", "prog.ZIRN"); });
    EXPECT_EQ(top.file(), "prog.ZIRN");
    EXPECT_EQ(top.line(), 3u);
    EXPECT_EQ(top.function(), "");
    EXPECT_NE(std::string(top.what()).find("'nope'"), std::string::npos) << top.what();

    zirn.run("area = {\n    w = arg0\n    end (w * heigth)\n}\nheight = 3\n", "area.ZIRN");
    Error inside = error_of([&] { zirn.call("area", 2); });
    EXPECT_EQ(inside.file(), "area.ZIRN");
    EXPECT_EQ(inside.line(), 3u);
    EXPECT_EQ(inside.function(), "area");
    // The suggestion the command line gives is there too.
    EXPECT_NE(std::string(inside.what()).find("did you mean 'height'?"), std::string::npos) << inside.what();
}

TEST(EmbedErrors, OpenTextIsPlacedWhereItOpens)
{
    Interpreter zirn;
    Error open = error_of([&] { zirn.run("x = 1\nf = {\n  end 2\n", "open.ZIRN"); });
    EXPECT_EQ(open.file(), "open.ZIRN");
    EXPECT_EQ(open.line(), 2u);
}

TEST(EmbedErrors, SameLineAsTheCommandLine)
{
    TempDir dir;
    const std::string program = "area = {\n    w = arg0\n    end (w * heigth)\n}\nheight = 3\n$print$($area$(2))\n";
    const std::string path = dir.write("area.ZIRN", program);
    const std::string command = std::string(ZIRN_BINARY) + " " + path + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string printed;
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) printed += buffer.data();
    ::pclose(pipe);

    Interpreter zirn;
    Error error = error_of([&] { zirn.run_file(path); });
    // The command line's first line is the error; the program's line and
    // carets under it follow.
    const std::string first_line = printed.substr(0, printed.find('\n') + 1);
    EXPECT_EQ("error: " + std::string(error.what()) + "\n", first_line);
    EXPECT_NE(printed.find("|     end (w * heigth)"), std::string::npos);
}

TEST(EmbedErrors, MisuseIsAnErrorToo)
{
    Interpreter zirn;
    EXPECT_THROW(zirn.get("never_set"), Error);
    EXPECT_THROW(zirn.call("no_such_function"), Error);
    EXPECT_THROW(zirn.call("two words"), Error);
    EXPECT_THROW(zirn.define("print", [](const std::vector<Value>&) { return Value(); }), Error);
    EXPECT_THROW(zirn.run_file("/no/such/file.ZIRN"), Error);
    EXPECT_THROW(Value("text").as_integer(), Error);
    EXPECT_THROW(Value(1).as_list(), Error);
    // The interpreter goes on after every one of them.
    EXPECT_EQ(zirn.run("end (6 * 7)").as_integer(), 42);
}

// ---- stopping runaway programs -----------------------------------------

TEST(EmbedLimits, StepBudgetStopsAnEndlessLoopAndEachRunHasItsOwn)
{
    Options options;
    options.step_budget = 10000;
    Interpreter zirn(options);
    Error stopped = error_of([&] { zirn.run("n = 0\nuntil (1) { n += 1 }\n", "loop.ZIRN"); });
    EXPECT_NE(std::string(stopped.what()).find("step budget"), std::string::npos) << stopped.what();
    EXPECT_EQ(stopped.file(), "loop.ZIRN");
    // The next run gets the whole budget again, and the loop's progress
    // (an update in place of an existing name) was kept.
    zirn.run("count = 0\nuntil (count < 500) { count += 1 }\n");
    EXPECT_EQ(zirn.get("count").as_integer(), 500);
    // A function called from the host is stopped the same way.
    zirn.run("spin = { until (1) { } }");
    EXPECT_THROW(zirn.call("spin"), Error);
}

TEST(EmbedLimits, InterruptFromAnotherThread)
{
    Interpreter zirn;
    std::atomic<bool> started{false};
    zirn.define("started", [&](const std::vector<Value>&) {
        started = true;
        return Value();
    });
    std::thread watchdog([&] {
        while (!started) std::this_thread::yield();
        zirn.interrupt();
    });
    Error stopped = error_of([&] { zirn.run("$started\nuntil (1) { }\n", "spin.ZIRN"); });
    watchdog.join();
    EXPECT_NE(std::string(stopped.what()).find("interrupted"), std::string::npos) << stopped.what();
    // The interrupt is used up: the next run runs.
    EXPECT_EQ(zirn.run("end 5").as_integer(), 5);
}

TEST(EmbedLimits, NestingDepthAndDeepRecursion)
{
    Options shallow;
    shallow.max_nesting = 200;
    Interpreter limited(shallow);
    limited.run("down = { compare (arg0 > 0) { end $down$((arg0 - 1)) }\nend 0 }");
    EXPECT_EQ(limited.call("down", 10).as_integer(), 0);
    Error deep = error_of([&] { limited.call("down", 1000); });
    EXPECT_NE(std::string(deep.what()).find("recursion too deep"), std::string::npos) << deep.what();

    // The default allows deep recursion: the worker thread has room for it.
    Interpreter plain;
    plain.run("down = { compare (arg0 > 0) { end $down$((arg0 - 1)) }\nend 0 }");
    EXPECT_EQ(plain.call("down", 20000).as_integer(), 0);
}

TEST(EmbedLimits, TextSizeCap)
{
    Options options;
    options.max_text_bytes = 1000;
    Interpreter capped(options);
    EXPECT_EQ(capped.run("end $size$(('ab' * 500))").as_integer(), 1000);
    Error big = error_of([&] { capped.run("s = ('ab' * 501)"); });
    EXPECT_NE(std::string(big.what()).find("too large"), std::string::npos) << big.what();
    EXPECT_THROW(capped.run("s = 'x'\nuntil (1) { s += s }"), Error);
    // Texts from the host are held to the same limit, also inside lists.
    EXPECT_THROW(capped.set("t", Value(std::string(1001, 'x'))), Error);
    EXPECT_THROW(capped.call("size", Value(std::vector<Value>{Value(std::string(2000, 'y'))})), Error);
    EXPECT_NO_THROW(capped.set("t", Value(std::string(1000, 'x'))));
    // Another interpreter, on its own thread, keeps the usual limit.
    Interpreter plain;
    EXPECT_EQ(plain.run("end $size$(('ab' * 501))").as_integer(), 1002);
}

TEST(EmbedLimits, NumberAppendedAsTextWithinCap)
{
    // `s += $str$(k)` appends the digits to `s` itself: the cap holds all the same.
    Options options;
    options.max_text_bytes = 10;
    Interpreter capped(options);
    capped.run("s = '1234567'\nk = 890\ns += $str$(k)");
    EXPECT_EQ(capped.get("s").as_string(), "1234567890");
    Error big = error_of([&] { capped.run("k = -5\ns += $str$(k)"); });
    EXPECT_NE(std::string(big.what()).find("too large"), std::string::npos) << big.what();
    EXPECT_EQ(capped.get("s").as_string(), "1234567890");
    capped.run("t = ''\nk = -9\nt += $str$(k)\nt += $str$(k)");
    EXPECT_EQ(capped.get("t").as_string(), "-9-9");
}

// ---- values --------------------------------------------------------------

TEST(EmbedValues, RoundTripEveryType)
{
    Interpreter zirn;
    const Value nested(std::vector<Value>{Value(1), Value(2.5), Value("three"), Value(std::vector<Value>{Value("in")})});
    zirn.set("n", Value(std::int64_t{1} << 40));
    zirn.set("f", Value(0.5));
    zirn.set("s", Value("it's \"quoted\" {and} (bracketed)"));
    zirn.set("l", nested);
    zirn.set("u", Value());
    EXPECT_EQ(zirn.get("n").as_integer(), std::int64_t{1} << 40);
    EXPECT_EQ(zirn.get("f").as_float(), 0.5);
    EXPECT_EQ(zirn.get("s").as_string(), "it's \"quoted\" {and} (bracketed)");
    EXPECT_EQ(zirn.get("l"), nested);
    EXPECT_TRUE(zirn.get("u").is_unspecified());
    // ZIRN sees them as its own values.
    EXPECT_EQ(zirn.run("end ($typeof$(n) + $typeof$(f) + $typeof$(s) + $typeof$(l) + $typeof$(u))").as_string(),
              "integerfloatstringlistunspecified");
    EXPECT_EQ(zirn.run("end ($size$(l) + n)").as_integer(), (std::int64_t{1} << 40) + 4);

    zirn.run("twice = { end (arg0 * 2) }\nlist made\nadd made 'x'\nadd made 7");
    const Value twice = zirn.get("twice");
    EXPECT_EQ(twice.type(), Value::Type::Func);
    EXPECT_EQ(twice.type_name(), "func");
    EXPECT_EQ(zirn.get("made"), Value(std::vector<Value>{Value("x"), Value(7)}));
    // A func value set by the host is callable.
    zirn.set("thrice", Value::func("{ end (arg0 * 3) }"));
    EXPECT_EQ(zirn.call("thrice", 5).as_integer(), 15);
    EXPECT_TRUE(zirn.has("thrice"));
    EXPECT_FALSE(zirn.has("never"));
}

TEST(EmbedValues, AListHoldingItselfIsRefusedNotFollowed)
{
    Interpreter zirn;
    zirn.run("list loop\nadd loop 1\nindex loop 0 first\nlist other\nadd other loop");
    EXPECT_NO_THROW(zirn.get("other"));
    zirn.run("list self\nadd self 0\nindex self 0 slot\nslot = self");
    Error cycle = error_of([&] { zirn.get("self"); });
    EXPECT_NE(std::string(cycle.what()).find("holds itself"), std::string::npos) << cycle.what();
}

// ---- calls both ways ---------------------------------------------------

TEST(EmbedCalls, HostFunctionsGetEvaluatedArgumentsAndReportErrorsAtTheCall)
{
    std::string out;
    Interpreter zirn(capturing(out));
    std::vector<Value> seen;
    int calls = 0;
    zirn.define("record", [&](const std::vector<Value>& arguments) {
        seen = arguments;
        ++calls;
        return Value(static_cast<std::int64_t>(arguments.size()));
    });
    // Arguments are evaluated once, in the caller's scope: arg0 is the
    // calling function's own.
    zirn.run("pass = { end $record$(arg0 (1 + 2) 'text' {end 4}) }");
    EXPECT_EQ(zirn.call("pass", 10).as_integer(), 4);
    EXPECT_EQ(seen, (std::vector<Value>{Value(10), Value(3), Value("text"), Value(4)}));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(zirn.run("end $record").as_integer(), 0);
    EXPECT_EQ(zirn.run("end $record$()").as_integer(), 0);

    zirn.define("fail", [](const std::vector<Value>&) -> Value { throw std::runtime_error("no such price"); });
    zirn.run("use = {\n  x = 1\n  end $fail$(x)\n}", "use.ZIRN");
    Error failed = error_of([&] { zirn.call("use"); });
    EXPECT_EQ(failed.file(), "use.ZIRN");
    EXPECT_EQ(failed.line(), 3u);
    EXPECT_EQ(failed.function(), "use");
    EXPECT_NE(std::string(failed.what()).find("fail: no such price"), std::string::npos) << failed.what();

    // A host function may run more ZIRN in the same interpreter.
    zirn.define("nested", [&](const std::vector<Value>& arguments) { return zirn.call("pass", arguments.at(0)); });
    EXPECT_EQ(zirn.run("end $nested$(5)").as_integer(), 4);
    EXPECT_EQ(seen.front(), Value(5));
}

TEST(EmbedCalls, DefineAfterTheCallWasFirstSeen)
{
    Interpreter zirn;
    zirn.run("f = { end $later$(2) }");
    EXPECT_THROW(zirn.call("f"), Error);
    zirn.define("later", [](const std::vector<Value>& a) { return Value(a.at(0).as_integer() * 100); });
    EXPECT_EQ(zirn.call("f").as_integer(), 200);
    zirn.define("later", [](const std::vector<Value>& a) { return Value(a.at(0).as_integer() + 1); });
    EXPECT_EQ(zirn.call("f").as_integer(), 3);
}

TEST(EmbedCalls, CallReachesBuiltinsAndKeepsNoTemporaryNames)
{
    std::string out;
    Interpreter zirn(capturing(out));
    EXPECT_EQ(zirn.call("str", 5).as_string(), "5");
    EXPECT_TRUE(zirn.call("print", "hello").is_unspecified());
    EXPECT_EQ(out, "hello\n");
    zirn.run("keep = { made_inside = 1\nend arg1 }");
    EXPECT_EQ(zirn.call("keep", 1, "second").as_string(), "second");
    EXPECT_FALSE(zirn.has("made_inside"));
    // The prelude of programs is there: range.
    EXPECT_EQ(zirn.call("range", 2), Value(std::vector<Value>{Value(0), Value(1), Value(2)}));
}

// ---- console and files -------------------------------------------------

TEST(EmbedConsole, CallbacksAndStreams)
{
    std::vector<std::string> lines{"first", "second"};
    std::size_t next = 0;
    std::string out;
    Options options = capturing(out);
    options.input = [&]() -> std::optional<std::string> {
        if (next == lines.size()) return std::nullopt;
        return lines[next++];
    };
    Interpreter zirn(options);
    zirn.run("$print$($input)\n$print$(($input + '!'))\n$print$(('[' + $input + ']'))");
    EXPECT_EQ(out, "first\nsecond!\n[]\n");

    std::istringstream in("from a stream\n");
    std::ostringstream written;
    Options streams;
    streams.input_stream = &in;
    streams.output_stream = &written;
    Interpreter other(streams);
    other.run("$print$($input '')\n$print$('x')");
    EXPECT_EQ(written.str(), "from a streamx\n");
}

TEST(EmbedFiles, NoAccessAndSandbox)
{
    TempDir dir;
    const std::string real = dir.write("real.txt", "real content");

    Options none;
    none.file_access = zirn::FileAccess::None;
    Interpreter closed(none);
    closed.set("path", Value(real));
    EXPECT_THROW(closed.run("x = $readfile$(path)"), Error);
    EXPECT_THROW(closed.run("$writefile$('made.txt' 'x')"), Error);
    EXPECT_THROW(closed.run("also 'math'"), Error);

    Options boxed;
    boxed.file_access = zirn::FileAccess::Sandbox;
    boxed.sandbox_files = {{"lib/greet.ZIRN", "greet = { end ('hi ' + arg0) }"}, {"data/in.txt", "given"}};
    Interpreter sandbox(boxed);
    sandbox.run("also 'greet'\nx = $readfile$('data/in.txt')\n$writefile$('out.txt' ($greet$('you') + ' ' + x))");
    EXPECT_EQ(sandbox.sandbox_file("out.txt"), std::optional<std::string>("hi you given"));
    sandbox.set("path", Value(real));
    EXPECT_EQ(sandbox.run("end $exists$(path)").as_integer(), 0);
    sandbox.run("$writefile$('real.txt' 'replaced')\n$cd$('data')\n$rm$('in.txt')");
    std::ifstream untouched(real);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(untouched), {}), "real content");
    EXPECT_FALSE(std::filesystem::exists("out.txt"));
}

TEST(EmbedFiles, RunFileSkipsTheCommandLineKeepingLineNumbers)
{
    TempDir dir;
    const std::string path = dir.write("tool", "#!/usr/bin/env zirn\nx = 2\ny = (x + missing)\n");
    Interpreter zirn;
    Error error = error_of([&] { zirn.run_file(path); });
    EXPECT_EQ(error.file(), path);
    EXPECT_EQ(error.line(), 3u);
    EXPECT_EQ(zirn.get("x").as_integer(), 2);
}

// ---- lifetime and threads ----------------------------------------------

TEST(EmbedLifetime, MovedInterpretersKeepTheirState)
{
    Interpreter first;
    first.run("kept = 41");
    Interpreter second(std::move(first));
    EXPECT_EQ(second.run("end (kept + 1)").as_integer(), 42);
    EXPECT_THROW(first.run("x = 1"), Error);  // NOLINT: use after move is the point
    Interpreter third;
    third = std::move(second);
    EXPECT_EQ(third.get("kept").as_integer(), 41);
    first.interrupt();  // harmless on a moved-from interpreter
}

// Each thread runs its own interpreter with the same names but different
// values, and defines a host function of the same name; none sees another's.
TEST(EmbedThreads, TwoInterpretersOnTwoThreadsAreIndependent)
{
    constexpr int rounds = 40;
    std::array<std::string, 2> failures;
    TempDir dir;
    auto work = [&](int which) {
        Interpreter zirn;
        // Both write files through the real file system at the same time.
        zirn.set("file", Value((dir.path / ("out" + std::to_string(which))).string()));
        zirn.define("base", [which](const std::vector<Value>&) { return Value(which * 1000); });
        zirn.run("sum = { total = 0\neach (arg0) { total += element }\nend (total + $base) }");
        for (int round = 0; round < rounds; ++round) {
            std::vector<Value> numbers;
            for (int i = 0; i <= round; ++i) numbers.emplace_back(i + which);
            zirn.set("shared_name", Value(which));
            const std::int64_t got = zirn.call("sum", Value(numbers)).as_integer();
            const std::int64_t expected = which * 1000 + (round * (round + 1)) / 2 + which * (round + 1);
            const std::string name = "made_" + std::to_string(round) + "_" + std::to_string(which);
            zirn.run(name + " = $str$(shared_name)\n$writefile$(file " + name + ")");
            if (zirn.run("end $readfile$(file)").as_string() != std::to_string(which)) {
                failures[which] = "round " + std::to_string(round) + ": the file was not written";
                return;
            }
            if (got != expected || zirn.get("shared_name").as_integer() != which ||
                zirn.get(name).as_string() != std::to_string(which)) {
                failures[which] = "round " + std::to_string(round) + ": " + std::to_string(got);
                return;
            }
        }
    };
    std::thread a(work, 0);
    std::thread b(work, 1);
    a.join();
    b.join();
    EXPECT_EQ(failures[0], "");
    EXPECT_EQ(failures[1], "");
}

TEST(EmbedThreads, ManyInterpretersOneAfterAnother)
{
    // Each one's thread gives its memory back when it ends; this would grow
    // without bound otherwise (and the sanitizer build reports leaks).
    for (int i = 0; i < 50; ++i) {
        Interpreter zirn;
        zirn.run("list l\nuntil ($size$(l) < 200) { add l 'element' }");
        ASSERT_EQ(zirn.run("end $size$(l)").as_integer(), 200);
    }
}

}  // namespace
