// The help, the manual page and the bash completion, all made of the commands' declarations.
#include <algorithm>
#include <ostream>
#include <sstream>

#include "Platform/Foundation/CommandLine.h"

namespace Foundation::CommandLine {
namespace {

// Words of `text` filled into lines of at most `width` columns, each after `indent` spaces and
// the first after `first` (already written by the caller, `firstColumn` columns wide). A word
// longer than a line stands alone on one.
void fill(std::ostream& os, std::string_view text, std::size_t indent, std::size_t firstColumn,
          std::size_t width = helpWidth) {
  std::size_t column = firstColumn;
  bool lineEmpty = true;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t start = text.find_first_not_of(' ', i);
    if (start == std::string_view::npos) break;
    std::size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view word = text.substr(start, end - start);
    if (!lineEmpty && column + 1 + word.size() > width) {
      os << '\n' << std::string(indent, ' ');
      column = indent;
      lineEmpty = true;
    } else if (column < indent) {
      os << std::string(indent - column, ' ');
      column = indent;
    }
    if (!lineEmpty) {
      os << ' ';
      ++column;
    }
    os << word;
    column += word.size();
    lineEmpty = false;
    i = end;
  }
  os << '\n';
}

std::string joined(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (const auto& item : items) out += (out.empty() ? "" : std::string(separator)) + item;
  return out;
}

std::string valueText(const Option& o) {
  return o.choices.empty() ? o.value : joined(o.choices, "|");
}

std::string optionText(const Option& o) {
  std::string value = valueText(o);
  return "--" + o.name + (value.empty() ? "" : " " + value);
}

std::vector<std::string> synopsisItems(const Command& c) {
  std::vector<std::string> items;
  for (const Option& o : c.options)
    items.push_back(o.required ? optionText(o) : "[" + optionText(o) + "]");
  if (!c.operands.empty()) items.push_back(c.operands);
  return items;
}

std::string optionHelp(const Option& o) {
  std::string text = o.help;
  if (!o.defaultValue.empty())
    text += (text.empty() ? "" : " ") + std::string("Default: ") + o.defaultValue + ".";
  if (o.required) text += " Required.";
  return text;
}

std::vector<std::pair<int, std::string>> statusesOf(const Program& p, const Command& c) {
  std::vector<std::pair<int, std::string>> statuses = p.exitStatuses;
  for (const auto& own : c.exitStatuses) {
    auto it = std::find_if(statuses.begin(), statuses.end(),
                           [&](const auto& s) { return s.first == own.first; });
    if (it != statuses.end())
      it->second = own.second;
    else
      statuses.push_back(own);
  }
  std::sort(statuses.begin(), statuses.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  return statuses;
}

void printEnvironmentAndStatuses(std::ostream& os, const Program& p,
                                 const std::vector<std::pair<int, std::string>>& statuses) {
  if (!p.environment.empty()) {
    os << "\nenvironment:\n";
    for (const auto& [name, what] : p.environment) {
      os << "  " << name << '\n';
      fill(os, what, 6, 0);
    }
  }
  if (!statuses.empty()) {
    os << "\nexit statuses:\n";
    for (const auto& [status, meaning] : statuses) {
      std::string head = "  " + std::to_string(status);
      os << head;
      fill(os, meaning, 7, head.size());
    }
  }
}

// roff text: no line may start a request, backslashes are escaped, dashes are minus signs.
std::string roff(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

std::string roffOption(const Option& o) {
  std::string value = valueText(o);
  return "\\fB" + roff("--" + o.name) + "\\fR" +
         (value.empty() ? "" : " \\fI" + roff(value) + "\\fR");
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return out;
}

// A word of the completion script: the declarations are the program's own constants, but a shell
// script is no place to find out otherwise.
std::string shellWord(std::string_view word) {
  std::string out;
  for (char c : word)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_' || c == '.' || c == '@' || c == '+' || c == ',')
      out += c;
  return out;
}

std::string shellWords(const std::vector<std::string>& words) {
  std::vector<std::string> cleaned;
  for (const auto& w : words) cleaned.push_back(shellWord(w));
  return joined(cleaned, " ");
}

}  // namespace

void printCommandUsage(std::ostream& os, const Program& p, const Command& c) {
  std::string head = "usage: " + p.name + " " + c.name;
  // Past half the width the options start again below, indented, rather than in a thin column.
  std::size_t indent = head.size() + 1 > helpWidth / 2 ? 8 : head.size() + 1;
  std::vector<std::string> items = synopsisItems(c);
  std::size_t column = head.size();
  os << head;
  for (const auto& item : items) {
    if (column + 1 + item.size() > helpWidth && column > indent) {
      os << '\n' << std::string(indent, ' ') << item;
      column = indent + item.size();
    } else {
      os << ' ' << item;
      column += 1 + item.size();
    }
  }
  os << '\n';
  os << "try " << p.name << " " << c.name << " --help\n";
}

void printCommandHelp(std::ostream& os, const Program& p, const Command& c) {
  std::ostringstream usage;
  printCommandUsage(usage, p, c);
  std::string text = usage.str();
  os << text.substr(0, text.rfind("try "));  // the help itself follows
  os << '\n';
  fill(os, c.summary, 0, 0);
  os << "\noptions:\n";
  std::vector<Option> options = c.options;
  for (const Option& g : globalOptions())
    if (std::none_of(options.begin(), options.end(),
                     [&](const Option& o) { return o.name == g.name; }))
      options.push_back(g);
  for (const Option& o : options) {
    fill(os, optionText(o), 2, 0);
    fill(os, optionHelp(o), 6, 0);
  }
  printEnvironmentAndStatuses(os, p, statusesOf(p, c));
}

void printProgramHelp(std::ostream& os, const Program& p, const std::vector<Command>& commands) {
  os << "usage: " << p.name << " [--now RFC3339] COMMAND [OPTIONS] [ARGUMENTS]\n";
  os << "       " << p.name << " --help | --version | help COMMAND\n";
  if (!p.description.empty()) {
    os << '\n';
    fill(os, p.description, 0, 0);
  }
  os << "\ncommands:\n";
  std::size_t width = 0;
  for (const auto& c : commands) width = std::max(width, c.name.size());
  const std::size_t column = std::min<std::size_t>(width + 4, 16);
  for (const auto& c : commands) {
    std::string head = "  " + c.name;
    if (head.size() + 1 > column) {
      os << head << '\n';
      fill(os, c.summary, column, 0);
    } else {
      os << head << std::string(column - head.size(), ' ');
      fill(os, c.summary, column, column);
    }
  }
  os << "\noptions:\n";
  for (const Option& o : globalOptions()) {
    fill(os, optionText(o), 2, 0);
    fill(os, optionHelp(o), 6, 0);
  }
  os << "  --version\n";
  fill(os, "Prints the program's name and version.", 6, 0);
  printEnvironmentAndStatuses(os, p, p.exitStatuses);
  os << '\n';
  fill(os, p.name + " COMMAND --help lists a command's options with their defaults.", 0, 0);
}

void writeManualPage(std::ostream& os, const Program& p, const std::vector<Command>& commands) {
  // No date: the page is made at build time and must come out the same from the same sources.
  os << ".TH " << upper(p.name) << " 1 \"\" \"" << roff(p.name + " " + p.version)
     << "\" \"User Commands\"\n";
  // Paths and option names are no words to hyphenate or stretch.
  os << ".nh\n.ad l\n";
  os << ".SH NAME\n" << roff(p.name) << " \\- " << roff(p.summary) << '\n';
  os << ".SH SYNOPSIS\n.B " << roff(p.name)
     << "\n[\\fB\\-\\-now\\fR \\fIRFC3339\\fR] \\fICOMMAND\\fR "
        "[\\fIOPTIONS\\fR] [\\fIARGUMENTS\\fR]\n.br\n.B "
     << roff(p.name) << "\n\\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR\n";
  if (!p.description.empty()) os << ".SH DESCRIPTION\n" << roff(p.description) << '\n';
  // The example is the first option that takes a value, with its first choice if it has any.
  const Option* example = nullptr;
  for (const auto& c : commands)
    for (const Option& o : c.options)
      if (!example && !valueText(o).empty()) example = &o;
  std::string name = example ? example->name : globalOptions().front().name;
  std::string value = example ? (example->choices.empty() ? example->value : example->choices[0])
                              : globalOptions().front().value;
  os << ".PP\nOptions take their value as the next argument or after an equals sign (\\fB"
     << roff("--" + name) << "\\fR \\fI" << roff(value) << "\\fR, \\fB" << roff("--" + name + "=")
     << "\\fR\\fI" << roff(value)
     << "\\fR); \\fB\\-\\-\\fR ends the options. Each option may be given once.\n";
  os << ".SH COMMANDS\n";
  for (const auto& c : commands) {
    os << ".TP\n\\fB" << roff(c.name) << "\\fR";
    for (const auto& item : synopsisItems(c)) os << ' ' << roff(item);
    os << '\n' << roff(c.summary) << '\n';
    if (!c.options.empty()) {
      os << ".RS\n";
      for (const Option& o : c.options)
        os << ".TP\n" << roffOption(o) << '\n' << roff(optionHelp(o)) << '\n';
      os << ".RE\n";
    }
    for (const auto& [status, meaning] : c.exitStatuses)
      os << ".IP\nExit status " << status << ": " << roff(meaning) << '\n';
  }
  os << ".SH OPTIONS\nEvery command takes these:\n";
  for (const Option& o : globalOptions())
    os << ".TP\n" << roffOption(o) << '\n' << roff(optionHelp(o)) << '\n';
  os << ".TP\n\\fB\\-\\-version\\fR\nPrints the program's name and version (before any command).\n";
  if (!p.environment.empty()) {
    os << ".SH ENVIRONMENT\n";
    for (const auto& [name, what] : p.environment)
      os << ".TP\n.B " << roff(name) << '\n' << roff(what) << '\n';
  }
  if (!p.files.empty()) {
    os << ".SH FILES\n";
    for (const auto& [path, what] : p.files)
      os << ".TP\n.I " << roff(path) << '\n' << roff(what) << '\n';
  }
  if (!p.exitStatuses.empty()) {
    os << ".SH EXIT STATUS\n";
    for (const auto& [status, meaning] : p.exitStatuses)
      os << ".TP\n.B " << status << '\n' << roff(meaning) << '\n';
  }
}

void writeBashCompletion(std::ostream& os, const Program& p, const std::vector<Command>& commands) {
  std::string function = "_" + shellWord(p.name);
  std::replace(function.begin(), function.end(), '-', '_');
  std::replace(function.begin(), function.end(), '.', '_');
  std::vector<std::string> names;
  for (const auto& c : commands) names.push_back(c.name);
  std::vector<std::string> globals;
  for (const Option& o : globalOptions()) globals.push_back("--" + o.name);

  os << "# bash completion for " << shellWord(p.name)
     << ", made from the program's own option declarations.\n";
  os << function << "()\n{\n";
  os << "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n";
  // bash splits --opt=value at the equals sign: the option is then two words back.
  os << "    if [[ $cur == = ]]; then cur=; fi\n";
  os << "    if [[ $prev == = && $COMP_CWORD -ge 2 ]]; then prev=${COMP_WORDS[COMP_CWORD-2]}; fi\n";
  os << "    local command= i\n";
  os << "    for ((i = 1; i < COMP_CWORD; i++)); do\n";
  os << "        case ${COMP_WORDS[i]} in\n";
  os << "            --now) ((i++)); [[ ${COMP_WORDS[i]} == = ]] && ((i++)) ;;\n";
  os << "            -*|=) ;;\n";
  os << "            *) command=${COMP_WORDS[i]}; break ;;\n";
  os << "        esac\n    done\n";
  os << "    if [[ -z $command ]]; then\n";
  os << "        [[ $prev == --now ]] && return\n";
  os << "        COMPREPLY=($(compgen -W '" << shellWords(names) << " help " << shellWords(globals)
     << " --version' -- \"$cur\"))\n";
  os << "        return\n    fi\n";
  os << "    local options= operands=\n";
  os << "    case $command in\n";
  for (const auto& c : commands) {
    std::vector<std::string> options;
    for (const Option& o : c.options) options.push_back("--" + o.name);
    options.insert(options.end(), globals.begin(), globals.end());
    os << "        " << shellWord(c.name) << ")\n";
    os << "            options='" << shellWords(options) << "'\n";
    if (!c.operands.empty()) os << "            operands=files\n";
    os << "            case $prev in\n";
    for (const Option& o : c.options) {
      if (o.value.empty() && o.choices.empty()) continue;
      os << "                --" << shellWord(o.name) << ") ";
      if (!o.choices.empty())
        os << "COMPREPLY=($(compgen -W '" << shellWords(o.choices) << "' -- \"$cur\"))";
      else if (o.completes == "file")
        os << "compopt -o filenames; COMPREPLY=($(compgen -f -- \"$cur\"))";
      else if (o.completes == "directory")
        os << "compopt -o filenames; COMPREPLY=($(compgen -d -- \"$cur\"))";
      else
        os << ":";
      os << "; return ;;\n";
    }
    os << "                --now) return ;;\n";
    os << "            esac ;;\n";
  }
  os << "        help) COMPREPLY=($(compgen -W '" << shellWords(names)
     << "' -- \"$cur\")); return ;;\n";
  os << "        *) return ;;\n";
  os << "    esac\n";
  os << "    if [[ $cur == -* || -z $operands ]]; then\n";
  os << "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n";
  os << "    else\n";
  os << "        compopt -o filenames; COMPREPLY=($(compgen -f -- \"$cur\"))\n";
  os << "    fi\n";
  os << "}\n";
  os << "complete -F " << function << ' ' << shellWord(p.name) << '\n';
}

}  // namespace Foundation::CommandLine
