// The probe's own declarations read by the shared parser: what each of its commands accepts and
// refuses, and its help and manual page. The parser itself is tested with a made-up program;
// these cases are the ones the probe's commands and their callers (the user unit, the link
// handler, the terminal that lists ports, the main script) depend on. Every case here is refused
// or only parsed, so nothing is measured.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "KestrunProbe/CommandLine.h"
#include "tests/Support/CommandLineCapture.h"

namespace CL = Foundation::CommandLine;

namespace {

using TestSupport::Outcome;

Outcome run(std::vector<std::string> args) {
  return TestSupport::captureCommandLine(
      "kestrun-probe", std::move(args), [](int argc, const char* const* argv, CL::CommandIO io) {
        return CL::run(Probe::program(), argc, argv, Probe::commands("kestrun-probe"), io);
      });
}

CL::Command command(const std::string& name) {
  auto all = Probe::commands("kestrun-probe");
  auto it = std::find_if(all.begin(), all.end(), [&](const auto& c) { return c.name == name; });
  if (it == all.end()) throw std::logic_error("no command " + name);
  return *it;
}

// The options as the command would see them: "name=value" for each given (in declaration order)
// and the operands in brackets.
std::string parsed(const std::string& name, const std::vector<std::string>& args) {
  CL::Command c = command(name);
  CL::Arguments a = CL::parseArguments(c, args);
  std::string text;
  for (const CL::Option& o : c.options)
    if (auto value = a.value(o.name)) text += o.name + "=" + *value + " ";
  for (const auto& operand : a.operands()) text += "[" + operand + "]";
  return text;
}

std::string firstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

}  // namespace

TEST(ProbeOptions, AcceptsWhatItsCallersAndUsersWrite) {
  struct Case {
    std::string command;
    std::vector<std::string> args;
    std::string parsed;
  } cases[] = {
      {"once", {"--print", "--verbose"}, "print= verbose= "},  // the main script
      {"once", {"--config", "a b.ini"}, "config=a b.ini "},
      {"once", {"--config=a b.ini", "--print"}, "print= config=a b.ini "},
      {"once", {"--conf=x.ini"}, "config=x.ini "},  // an unambiguous beginning
      {"run", {}, ""},                              // the user unit
      {"run", {"--verbose", "--config=p.ini"}, "config=p.ini verbose= "},
      {"open", {"kestrun://open/memory"}, "[kestrun://open/memory]"},  // the link handler
      {"open", {"kestrun://speedtest", "--config", "p.ini"}, "config=p.ini [kestrun://speedtest]"},
      {"open", {"--verbose", "--", "--config=x"}, "verbose= [--config=x]"},
      {"ports", {"--wait"}, "wait= "},  // the terminal opened for kestrun://open/ports
      {"gallery", {}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command + " " + testing::PrintToString(c.args));
    EXPECT_EQ(parsed(c.command, c.args), c.parsed);
  }
}

TEST(ProbeOptions, RefusesWithOneLineAndStatus64) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{}, "usage: kestrun-probe [--now RFC3339] COMMAND [OPTIONS] [ARGUMENTS]"},
      {{"measure"}, "kestrun-probe: unknown command \"measure\"; try kestrun-probe --help"},
      {{"onec"}, "kestrun-probe: unknown command \"onec\"; did you mean once?; try kestrun-probe "
                 "--help"},
      {{"once", "--prnt"}, "kestrun-probe once: unknown option --prnt; did you mean --print?"},
      {{"once", "--config", "a", "--config=b"}, "kestrun-probe once: --config is given twice"},
      {{"once", "--print", "--print"}, "kestrun-probe once: --print is given twice"},
      {{"once", "--config"}, "kestrun-probe once: --config needs a value"},
      {{"once", "--config="}, "kestrun-probe once: --config needs a value"},
      {{"once", "--print=yes"}, "kestrun-probe once: --print takes no value"},
      {{"once", "extra"}, "kestrun-probe once: unexpected argument \"extra\""},
      {{"once", "-p"}, "kestrun-probe once: unknown option -p"},
      {{"run", "--print"}, "kestrun-probe run: unknown option --print"},
      {{"open"}, "kestrun-probe open: expected one URL"},
      {{"open", "kestrun://speedtest", "kestrun://open/home"},
       "kestrun-probe open: expected one URL"},
      {{"ports", "--wiat"}, "kestrun-probe ports: unknown option --wiat; did you mean --wait?"},
      {{"gallery", "--out", "x"}, "kestrun-probe gallery: unknown option --out"},
      {{"--verbose", "once"}, "kestrun-probe: unknown option --verbose"},
      {{"once", "--now", "yesterday"},
       "kestrun-probe once: --now: \"yesterday\" is not an RFC 3339 date"},
      {{"\x1b[2J"}, "kestrun-probe: unknown command \"\\u001b[2J\"; try kestrun-probe --help"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    Outcome r = run(c.args);
    EXPECT_EQ(r.status, Probe::ExitStatus::usage);
    EXPECT_EQ(firstLine(r.err), c.message);
    EXPECT_EQ(r.out, "");
  }
}

TEST(ProbeOptions, EveryCommandHasItsHelpWithinEightyColumns) {
  for (const auto& c : Probe::commands("kestrun-probe")) {
    SCOPED_TRACE(c.name);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {c.name, "--help"}, {"help", c.name}, {c.name, "-h"}}) {
      Outcome r = run(args);
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(r.out.rfind("usage: kestrun-probe " + c.name, 0), 0u) << r.out;
    }
    std::string help = run({c.name, "--help"}).out;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
      std::size_t columns = 0;
      for (unsigned char ch : line) columns += (ch & 0xC0) != 0x80;
      EXPECT_LE(columns, CL::helpWidth) << line;
    }
    for (const auto& o : c.options) {
      EXPECT_NE(help.find("\n  --" + o.name), std::string::npos) << o.name;
      EXPECT_FALSE(o.defaultValue.empty()) << o.name << " says nothing of its default";
    }
    for (const char* expected : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "exit statuses:",
                                 "\n  2    the snapshot could not be stored", "\n  64 "})
      EXPECT_NE(help.find(expected), std::string::npos) << expected;
  }
  Outcome version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "kestrun-probe " + Probe::program().version + "\n");
  EXPECT_FALSE(Probe::program().version.empty());
}

TEST(ProbeOptions, ManualPageNamesEveryCommandAndFile) {
  std::string page = run({"--manual-page"}).out;
  for (const char* expected :
       {".TH KESTRUN-PROBE 1 ", "\n.SH NAME\nkestrun\\-probe \\- measures this machine",
        "\n.SH COMMANDS\n", "\\fBonce\\fR [\\-\\-print]", "\\fBopen\\fR", "\\fBports\\fR",
        "\n.SH ENVIRONMENT\n", "\n.SH FILES\n.TP\n.I $XDG_CONFIG_HOME/kestrun\\-probe/probe.ini\n",
        "\n.SH EXIT STATUS\n"})
    EXPECT_NE(page.find(expected), std::string::npos) << expected;
  std::string completion = run({"--bash-completion"}).out;
  EXPECT_NE(completion.find("complete -F _kestrun_probe kestrun-probe\n"), std::string::npos);
  EXPECT_NE(completion.find("--config) compopt -o filenames"), std::string::npos);
}
