#include "cli/help_export.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace kaveltar::cli {
namespace {

// Escapes text for troff: backslashes, hyphens of option names, and a leading dot or quote
// that troff would take as a request.
std::string Troff(const std::string& text) {
  std::string out;
  bool line_start = true;
  for (char c : text) {
    if (line_start && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    line_start = c == '\n';
  }
  return out;
}

// The commands a user sees: the hidden ones (empty group) are left out.
std::vector<const CLI::App*> VisibleCommands(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* s) { return !s->get_group().empty(); });
}

std::vector<const CLI::Option*> VisibleOptions(const CLI::App& app) {
  return app.get_options([](const CLI::Option* o) { return !o->get_group().empty(); });
}

bool IsFlag(const CLI::Option* o) { return o->get_items_expected_max() == 0; }

// "--name VALUE" for an option, "NAME" for a positional argument.
std::string OptionSynopsis(const CLI::Option* o) {
  if (o->get_positional() && o->get_lnames().empty() && o->get_snames().empty())
    return o->get_name(true);
  std::string names;
  for (const std::string& s : o->get_snames()) names += (names.empty() ? "-" : ", -") + s;
  for (const std::string& l : o->get_lnames()) names += (names.empty() ? "--" : ", --") + l;
  return names;
}

void WriteOptions(const CLI::App& app, std::ostream& out) {
  for (const CLI::Option* o : VisibleOptions(app)) {
    if (o->get_lnames().size() == 1 && o->get_lnames()[0] == "help") continue;
    out << ".TP\n.B " << Troff(OptionSynopsis(o));
    if (!IsFlag(o) && !o->get_positional()) out << " \\fIVALORE\\fR";
    out << "\n" << Troff(o->get_description()) << "\n";
  }
}

void WriteCommand(const CLI::App& command, const std::string& path, std::ostream& out) {
  std::string usage = path;
  for (const CLI::Option* o : VisibleOptions(command)) {
    if (o->get_positional()) usage += " " + o->get_name(true);
  }
  out << ".SS \"" << Troff(usage) << "\"\n" << Troff(command.get_description()) << "\n";
  WriteOptions(command, out);
  for (const CLI::App* sub : VisibleCommands(command))
    WriteCommand(*sub, path + " " + sub->get_name(), out);
}

}  // namespace

void WriteManPage(const CLI::App& app, const std::string& version, std::ostream& out) {
  const std::string name = app.get_name();
  std::string upper;
  for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  out << ".\\\" Generated from the command tree of " << name << "; do not edit.\n"
      << ".TH " << Troff(upper) << " 1 \"\" \"kaveltar " << Troff(version)
      << "\" \"Comandi utente\"\n"
      << ".SH NOME\n"
      << Troff(name) << " \\- " << Troff(app.get_description()) << "\n"
      << ".SH SINTESI\n.B " << Troff(name)
      << "\n[\\fIOPZIONI\\fR] \\fICOMANDO\\fR [\\fIARGOMENTI\\fR]\n"
      << ".SH DESCRIZIONE\n"
      << "Esegue senza finestra i lavori del programma delle presenze (memorizzazione del mese, "
         "stampa dei fogli presenze e dei riepiloghi, importazione ed esportazione, totali "
         "annui, tabelle) su un'installazione di Salarion. Le opzioni globali si scrivono prima "
         "o dopo il comando.\n"
      << ".SH OPZIONI GLOBALI\n";
  WriteOptions(app, out);
  out << ".SH COMANDI\n";
  for (const CLI::App* sub : VisibleCommands(app))
    WriteCommand(*sub, name + " " + sub->get_name(), out);
  out << ".SH FILE\n"
      << ".TP\n.I ~/.config/kaveltar/registry.ini\nle impostazioni dell'utente (scritte da "
         "\\fBkaveltar\\-cli config\\fR); \\fB$XDG_CONFIG_HOME\\fR ne cambia la cartella\n"
      << ".TP\n.I /etc/xdg/kaveltar/registry.ini\nle impostazioni comuni a tutti gli utenti "
         "della postazione, usate quando l'utente non ha le proprie\n"
      << ".TP\n.I ~/.local/state/kaveltar/kaveltar.log\nil registro delle attività da inviare "
         "all'assistenza (avvii, lavori con conteggi e durata, errori); \\fB$XDG_STATE_HOME\\fR "
         "ne cambia la cartella\n"
      << ".TP\n.I ARCHIVI/FILE\\-PDF\nI file PDF dei fogli presenze e dei riepiloghi\n"
      << ".TP\n.I ~/.pg_service.conf\ni server PostgreSQL per nome (\\fB\\-\\-db "
         "service=NOME\\fR), senza password\n"
      << ".TP\n.I ~/.pgpass\nle password del database PostgreSQL, lette da libpq (permessi 0600)\n"
      << ".SH AMBIENTE\n"
      << ".TP\n.B KAVELTAR_DB\nil database PostgreSQL condiviso, quando \\fB\\-\\-db\\fR non è "
         "indicato\n"
      << ".TP\n.B KAVELTAR_REGISTRY\nun altro file di impostazioni\n"
      << ".TP\n.B KAVELTAR_PRINTER\nla stampante, oppure file:CARTELLA per ricevere le stampe in "
         "PDF\n"
      << ".TP\n.B KAVELTAR_DRIVE_C\nla cartella che fa da unità C: per i file di percorso di "
         "Salarion\n"
      << ".TP\n.B KAVELTAR_LOG\nun altro file di registro, oppure off per non scriverlo\n";
}

void WriteBashCompletion(const CLI::App& app, std::ostream& out) {
  const std::string name = app.get_name();
  std::string function = "_";
  for (char c : name) function += (c == '-' ? '_' : c);

  // One case branch per command path: "memorize", "print sheets", ...
  std::vector<std::pair<std::string, std::string>> branches;  // path, words
  std::function<void(const CLI::App&, const std::string&)> walk = [&](const CLI::App& command,
                                                                      const std::string& path) {
    std::string words;
    for (const CLI::App* sub : VisibleCommands(command)) words += sub->get_name() + " ";
    for (const CLI::Option* o : VisibleOptions(command)) {
      for (const std::string& l : o->get_lnames()) words += "--" + l + " ";
    }
    branches.emplace_back(path, words);
    for (const CLI::App* sub : VisibleCommands(command)) {
      walk(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name());
    }
  };
  walk(app, "");

  std::string command_words;
  std::function<void(const CLI::App&)> collect = [&](const CLI::App& command) {
    for (const CLI::App* sub : VisibleCommands(command)) {
      command_words += sub->get_name() + " ";
      collect(*sub);
    }
  };
  collect(app);

  out << "# bash completion for " << name << ", generated from its command tree; do not edit.\n"
      << function << "() {\n"
      << "  local cur=${COMP_WORDS[COMP_CWORD]} path=\"\" word i\n"
      << "  local commands=\" " << command_words << "\"\n"
      << "  # The command path typed so far: the words that are command names, in order.\n"
      << "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
      << "    word=${COMP_WORDS[i]}\n"
      << "    case \"$word\" in -*) continue ;; esac\n"
      << "    if [[ $commands == *\" $word \"* ]]; then path=\"${path:+$path }$word\"; fi\n"
      << "  done\n"
      << "  local words\n"
      << "  case \"$path\" in\n";
  for (const auto& [path, words] : branches) {
    out << "    \"" << path << "\") words=\"" << words << "\" ;;\n";
  }
  out << "    *) words=\"\" ;;\n"
      << "  esac\n"
      << "  if [[ $cur == -* || -n $words && $cur != */* ]]; then\n"
      << "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
      << "    [[ ${#COMPREPLY[@]} -gt 0 ]] && return\n"
      << "  fi\n"
      << "  COMPREPLY=($(compgen -f -- \"$cur\"))\n"
      << "}\n"
      << "complete -o filenames "
      << "-F " << function << " " << name << "\n";
}

}  // namespace kaveltar::cli
