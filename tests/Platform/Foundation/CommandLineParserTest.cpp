// One parser for every command: what it accepts and refuses, and the help, manual page and
// completion made of the same declarations. A made-up program, so that nothing here depends on
// the extension's commands.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "Platform/Foundation/CommandLine.h"
#include "tests/Support/CommandLineCapture.h"
#include "tests/Support/TestSupport.h"

namespace {

using Foundation::CommandLine::Arguments;
using Foundation::CommandLine::Command;
using Foundation::CommandLine::CommandIO;
using Foundation::CommandLine::Option;

Command paint() {
  return {"paint",
          "FILE...",
          "Paints the files in the colour asked for, a sentence long enough that it must wrap "
          "past the end of one line of help text.",
          {{"colour", "", "The colour.", "red", {"red", "green", "blue"}},
           {"out",
            "DIR",
            "Where the painted files go.",
            "the current directory",
            {},
            false,
            "directory"},
           {"output-format", "", "How they are written.", "png", {"png", "svg"}},
           {"dry-run", "", "Paints nothing; says what would be painted.", "paint"},
           {"size",
            "N",
            "How large, in a unit with an exceptionally-long-name-that-cannot-break.",
            "",
            {},
            true}},
          [](const Arguments& args, CommandIO& io) {
            io.out << "colour=" << args.value("colour").value_or("-")
                   << " out=" << args.value("out").value_or("-")
                   << " size=" << args.value("size").value_or("-") << " dry=" << args.has("dry-run")
                   << " operands=";
            for (const auto& o : args.operands()) io.out << "[" << o << "]";
            io.out << '\n';
            return 0;
          }};
}

Command clock() {
  return {"clock", "", "Prints the time.", {}, [](const Arguments&, CommandIO& io) {
            io.out << Foundation::formatRFC3339(Foundation::Clock::now()) << '\n';
            return 0;
          }};
}

Foundation::CommandLine::Program program() {
  return {
      "painter",
      "1.2.3",
      "paints files",
      "Paints files.",
      {{"PAINTER_HOME",
        "Where the paint is kept, a description long enough to be wrapped "
        "into a second line."}},
      {{0, "success"}, {1, "nothing painted"}, {64, "a command line that cannot be understood"}},
      {{"~/.paint", "the paint"}}};
}

using TestSupport::Outcome;

Outcome run(std::vector<std::string> args) {
  return TestSupport::captureCommandLine(
      "painter", std::move(args),
      [](int argc, const char* const* argv, Foundation::CommandLine::CommandIO io) {
        return Foundation::CommandLine::run(program(), argc, argv, {paint(), clock()}, io);
      });
}

std::string firstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

TEST(CommandLineParser, AcceptsEveryWayOfGivingAnOption) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"paint", "--size", "3", "a"}, "colour=- out=- size=3 dry=0 operands=[a]\n"},
      {{"paint", "--size=3", "a"}, "colour=- out=- size=3 dry=0 operands=[a]\n"},
      {{"paint", "a", "--size=3", "b"}, "colour=- out=- size=3 dry=0 operands=[a][b]\n"},
      {{"paint", "--colour=green", "--out", "x y", "--size=4", "--dry-run"},
       "colour=green out=x y size=4 dry=1 operands=\n"},
      // A value that looks like an option is still the value it follows.
      {{"paint", "--out", "--dry-run", "--size", "-1"},
       "colour=- out=--dry-run size=-1 dry=0 operands=\n"},
      // "--" ends the options: what follows is an operand, however it looks.
      {{"paint", "--size=1", "--", "--colour=blue", "-"},
       "colour=- out=- size=1 dry=0 operands=[--colour=blue][-]\n"},
      {{"paint", "--size=1", "-"}, "colour=- out=- size=1 dry=0 operands=[-]\n"},
      // An unambiguous beginning names the option, as GNU programs have it.
      {{"paint", "--col", "blue", "--si=2"}, "colour=blue out=- size=2 dry=0 operands=\n"},
      {{"paint", "--out=", "--size=1"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    Outcome r = run(c.args);
    if (c.out.empty()) {
      EXPECT_EQ(r.status, Foundation::CommandLine::ExitStatus::usage);
    } else {
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out, c.out);
    }
  }
}

TEST(CommandLineParser, RefusesWithOneLineThatSaysWhatIsWrong) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"paint", "--size=1", "--size=2"}, "painter paint: --size is given twice"},
      {{"paint", "--size=1", "--si", "2"}, "painter paint: --size is given twice"},
      {{"paint", "--size=1", "--dry-run", "--dry-run"}, "painter paint: --dry-run is given twice"},
      {{"paint", "--size=1", "--colur=red"},
       "painter paint: unknown option --colur; did you mean --colour?"},
      {{"paint", "--size=1", "--dryrun"},
       "painter paint: unknown option --dryrun; did you mean --dry-run?"},
      {{"paint", "--size=1", "--ouptut-format", "svg"},
       "painter paint: unknown option --ouptut-format; did you mean --output-format?"},
      {{"paint", "--size=1", "--zebra"}, "painter paint: unknown option --zebra"},
      {{"paint", "--size=1", "--o", "x"},
       "painter paint: option --o is ambiguous: --out, --output-format"},
      {{"paint", "--size=1", "--colour", "mauve"},
       "painter paint: --colour takes red|green|blue, not \"mauve\""},
      {{"paint", "--size"}, "painter paint: --size needs a value"},
      {{"paint", "--size=1", "--dry-run=yes"}, "painter paint: --dry-run takes no value"},
      {{"paint", "a"}, "painter paint: --size is required"},
      {{"paint", "--size=1", "-q"}, "painter paint: unknown option -q"},
      {{"clock", "extra"}, "painter clock: unexpected argument \"extra\""},
      {{"clock", "--now", "soon"}, "painter clock: --now: \"soon\" is not an RFC 3339 date"},
      {{"--now=2026-01-01T00:00:00Z", "clock", "--now=2026-01-01T00:00:00Z"},
       "painter clock: --now is given twice"},
      {{"--nwo", "x", "clock"}, "painter: unknown option --nwo; did you mean --now?"},
      {{"clokc"}, "painter: unknown command \"clokc\"; did you mean clock?; try painter --help"},
      {{"paint", "--size=1", "--colour=\x1b[2J"},
       "painter paint: --colour takes red|green|blue, not \"\\u001b[2J\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    Outcome r = run(c.args);
    EXPECT_EQ(r.status, Foundation::CommandLine::ExitStatus::usage);
    EXPECT_EQ(firstLine(r.err), c.message);
    EXPECT_EQ(r.out, "");
  }
  // After the message, the command's usage.
  EXPECT_NE(run({"paint", "--zebra"}).err.find("\nusage: painter paint "), std::string::npos);
}

TEST(CommandLineParser, NowStandsBeforeTheCommandOrAmongItsOptions) {
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"--now", "2026-01-02T03:04:05Z", "clock"},
                                             {"--now=2026-01-02T03:04:05Z", "clock"},
                                             {"clock", "--now", "2026-01-02T03:04:05Z"},
                                             {"clock", "--now=2026-01-02T03:04:05Z"}}) {
    Outcome r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2026-01-02T03:04:05Z\n");
  }
}

TEST(CommandLineParser, VersionHelpAndNoCommand) {
  EXPECT_EQ(run({"--version"}).out, "painter 1.2.3\n");
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"paint", "--help"},
                                             {"paint", "-h"},
                                             {"help", "paint"},
                                             {"--help", "paint"},
                                             {"paint", "--colour=red", "--help"}}) {
    Outcome r = run(args);
    EXPECT_EQ(r.status, 0) << testing::PrintToString(args);
    EXPECT_EQ(r.out.rfind("usage: painter paint ", 0), 0u) << r.out;
  }
  Outcome none = run({});
  EXPECT_EQ(none.status, Foundation::CommandLine::ExitStatus::usage);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(none.err.find("commands:"), std::string::npos);
}

// Every line of every help within 80 columns (counted in characters), each option with its
// default, the environment and the exit statuses.
TEST(CommandLineParser, HelpListsEveryOptionWithItsDefaultWithinEightyColumns) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"paint", "--help"}, {"clock", "--help"}}) {
    std::string help = run(args).out;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
      std::size_t columns = 0;
      for (unsigned char c : line) columns += (c & 0xC0) != 0x80;
      // One word longer than a line may stand alone on one; no line holds two words past 80.
      if (columns > Foundation::CommandLine::helpWidth) {
        EXPECT_EQ(line.find(' ', line.find_first_not_of(' ')), std::string::npos) << line;
      }
    }
    EXPECT_NE(help.find("PAINTER_HOME"), std::string::npos);
    EXPECT_NE(help.find("exit statuses:"), std::string::npos);
    EXPECT_NE(help.find("--now RFC3339"), std::string::npos);
  }
  std::string paintHelp = run({"paint", "--help"}).out;
  for (const char* expected : {"--colour red|green|blue\n      The colour. Default: red.",
                               "--out DIR\n      Where the painted files go. Default: the current",
                               "--dry-run\n", "--size N\n", "Required."})
    EXPECT_NE(paintHelp.find(expected), std::string::npos) << expected << "\n" << paintHelp;
}

TEST(CommandLineParser, ManualPageHasTheSectionsAndNoUnescapedRequests) {
  std::string page = run({"--manual-page"}).out;
  for (const char* section :
       {".TH PAINTER 1 ", "\n.SH NAME\npainter \\- paints files\n", "\n.SH SYNOPSIS\n",
        "\n.SH COMMANDS\n", "\\fB\\-\\-colour\\fR", "\n.SH ENVIRONMENT\n.TP\n.B PAINTER_HOME\n",
        "\n.SH FILES\n", "\n.SH EXIT STATUS\n.TP\n.B 0\nsuccess\n"})
    EXPECT_NE(page.find(section), std::string::npos) << section;
  // No dash a minus sign should be, and no date: the page is the same at every build.
  std::istringstream lines(page);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '.') continue;
    for (std::size_t i = line.find('-'); i != std::string::npos; i = line.find('-', i + 1))
      EXPECT_TRUE(i > 0 && line[i - 1] == '\\') << line;
  }
  EXPECT_EQ(page, run({"--manual-page"}).out);
}

// The completion script run by bash itself, as the shell would call it.
TEST(CommandLineParser, BashCompletionCompletesCommandsOptionsAndChoices) {
  TestSupport::TemporaryDirectory dir;
  TestSupport::writeFile(dir / "completion.bash", run({"--bash-completion"}).out);
  struct Case {
    std::string line;  // the words typed so far, the last the one being completed
    std::string expected;
  } cases[] = {
      {"painter pa", "paint"},
      {"painter --now 2026-01-01T00:00:00Z cl", "clock"},
      {"painter --now = 2026-01-01T00:00:00Z cl", "clock"},  // --now=… as bash splits it
      {"painter paint --col", "--colour"},
      {"painter paint --colour g", "green"},
      {"painter paint --colour=", "red green blue"},
      {"painter paint --output-format s", "svg"},
      {"painter clock --", "--now --help"},
      {"painter help p", "paint"},
  };
  for (const auto& c : cases) {
    std::string script = "source '" + (dir / "completion.bash").string() +
                         "'\nCOMP_WORDBREAKS=\"${COMP_WORDBREAKS:-= }\"\n"
                         "read -ra COMP_WORDS <<< '" +
                         c.line + "'\n";
    if (c.line.back() == '=') {
      // bash splits "--colour=" into "--colour", "=" and an empty word.
      std::string option = c.line.substr(c.line.rfind(' ') + 1);
      option.pop_back();
      script += "unset 'COMP_WORDS[-1]'; COMP_WORDS+=('" + option + "' '=' '')\n";
    }
    script +=
        "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
        "_painter\necho \"${COMPREPLY[*]}\"\n";
    TestSupport::writeFile(dir / "case.bash", script);
    std::string command = "bash --norc --noprofile '" + (dir / "case.bash").string() + "' 2>&1";
    std::string output;
    if (FILE* p = popen(command.c_str(), "r")) {
      char buffer[512];
      while (std::size_t n = fread(buffer, 1, sizeof buffer, p)) output.append(buffer, n);
      pclose(p);
    }
    EXPECT_EQ(output, c.expected + "\n") << c.line;
  }
}

}  // namespace
