// The manual pages and the bash completion against the programs' own usage texts: an option
// added to, renamed in or dropped from a program must show in all of them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "support/TestSupport.h"

namespace {

using Options = std::set<std::string>;

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct Printed {
    int status = -1;
    std::string out;
};

// Runs a shell command line and keeps its standard output.
Printed RunShell(const std::string& command) {
    const TempDir dir;
    const std::string line = command + " >" + Quoted(dir.File("out")) + " 2>&1 </dev/null";
    const int raw = std::system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(dir.File("out"))};
}

Options LongOptionsIn(const std::string& text) {
    static const std::regex option(R"(--[a-z][a-z-]*[a-z])");
    Options found;
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
        found.insert(it->str());
    return found;
}

// The text a reader sees, as far as option names go: "\-" is a minus, "\&" and "\c" are nothing.
std::string RoffText(const std::string& page) {
    std::string text;
    for (std::size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\\' && i + 1 < page.size()) {
            const char next = page[i + 1];
            if (next == '-') text += '-';
            if (next == '-' || next == '&' || next == 'c') {
                ++i;
                continue;
            }
        }
        text += page[i];
    }
    return text;
}

std::string ManPage(const char* path) {
    const std::string page = ReadBytes(path);
    EXPECT_FALSE(page.empty()) << path;
    return RoffText(page);
}

// The part of a page from its section heading to the next one.
std::string Section(const std::string& page, const std::string& name) {
    const std::size_t start = page.find("\n.SH " + name + "\n");
    if (start == std::string::npos) return {};
    const std::size_t end = page.find("\n.SH ", start + 1);
    return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Each command's options, from the lines of text that start with "<program> <command>" and run
// to the next such line (a usage text, or a page's synopsis with the roff requests taken out).
std::map<std::string, Options> OptionsPerCommand(const std::string& text,
                                                 const std::string& program) {
    std::map<std::string, Options> commands;
    std::string command;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::smatch start;
        if (std::regex_search(line, start, std::regex("^\\s*" + program + " ([a-z]+)\\b"))) {
            command = start[1];
            commands[command];
        } else if (line.find(program + " ") != std::string::npos || line.empty()) {
            command.clear();
        }
        if (!command.empty()) commands[command].merge(LongOptionsIn(line));
    }
    return commands;
}

// The synopsis as plain lines: ".SY kestrelport" followed by ".B export" becomes
// "kestrelport export"; the option lines go on with the request names dropped.
std::string SynopsisLines(const std::string& page) {
    std::string lines;
    std::istringstream synopsis(Section(page, "SYNOPSIS"));
    for (std::string line; std::getline(synopsis, line);) {
        if (line.starts_with(".SY ")) {
            lines += "\n" + line.substr(4) + " ";
        } else if (line.starts_with(".YS")) {
            lines += "\n";
        } else if (line.starts_with(".")) {
            const std::size_t space = line.find(' ');
            if (space != std::string::npos) lines += line.substr(space + 1) + " ";
        }
    }
    return lines;
}

}  // namespace

TEST(ProgramDocsTest, TheManualPageDescribesExactlyTheOptionsOfTheTerminalProgram) {
    const Printed help = RunShell(Quoted(KESTRELPORT_BIN) + " --help");
    ASSERT_EQ(help.status, 0) << help.out;
    const std::string page = ManPage(KESTRELPORT_MAN_PAGE);

    EXPECT_EQ(LongOptionsIn(page), LongOptionsIn(help.out));
    EXPECT_EQ(LongOptionsIn(Section(page, "OPTIONS")), LongOptionsIn(help.out))
        << "every option needs its own entry under OPTIONS";

    const auto usage = OptionsPerCommand(help.out, "kestrelport");
    EXPECT_EQ(usage.size(), 2u) << help.out;
    EXPECT_TRUE(usage.contains("export") && usage.contains("hostnames")) << help.out;
    EXPECT_EQ(OptionsPerCommand(SynopsisLines(page), "kestrelport"), usage);
}

TEST(ProgramDocsTest, TheDesktopProgramAnswersHelpAndVersionWithoutADisplay) {
#ifndef KESTRELPORT_GUI_BIN
    GTEST_SKIP() << "the desktop program is not built";
#else
    // Without a display and a platform plugin that needs none, making the application object
    // would end the program: the answers must come before it.
    const std::string program = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " +
                                Quoted(KESTRELPORT_GUI_BIN);
    const Printed help = RunShell(program + " --help");
    EXPECT_EQ(help.status, 0) << help.out;
    EXPECT_TRUE(help.out.starts_with("Usage: kestrelport-gui")) << help.out;
    EXPECT_EQ(LongOptionsIn(ManPage(KESTRELPORT_GUI_MAN_PAGE)), LongOptionsIn(help.out));

    const Printed version = RunShell(program + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("kestrelport-gui ") + KESTRELPORT_VERSION + "\n");
#endif
}

TEST(ProgramDocsTest, BashCompletesTheCommandsTheirOptionsAndFileNames) {
    if (RunShell("command -v bash").status != 0) GTEST_SKIP() << "bash is not installed";
    const TempDir dir;
    WriteBytes(dir.File("access.log.1"), "");
    // Completes the words given, the last one being the one under the cursor.
    auto complete = [&](const std::string& words) {
        const std::string script =
            "source " + Quoted(KESTRELPORT_BASH_COMPLETION) + " && cd " + Quoted(dir.File("")) +
            " && COMP_WORDS=(" + words + ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1))" +
            " && _kestrelport && printf '%s\\n' \"${COMPREPLY[@]}\"";
        const Printed printed = RunShell("bash --norc --noprofile -c " + Quoted(script));
        EXPECT_EQ(printed.status, 0) << words << ": " << printed.out;
        return printed.out;
    };
    EXPECT_EQ(complete("kestrelport ex"), "export\n");
    EXPECT_EQ(complete("kestrelport hostnames --dns"), "--dns-workers\n");
    EXPECT_EQ(complete("kestrelport export --l"), "--log\n");
    EXPECT_EQ(complete("kestrelport export --log acc"), "access.log.1\n");
    EXPECT_EQ(complete("kestrelport export --quiet --error-log = acc"), "access.log.1\n");
    EXPECT_EQ(complete("kestrelport hostnames --project=acc"), "--project=access.log.1\n");
    EXPECT_EQ(complete("kestrelport export --table ''"), "\n");

    // Every command offers exactly the options its usage lists.
    const auto usage =
        OptionsPerCommand(RunShell(Quoted(KESTRELPORT_BIN) + " --help").out, "kestrelport");
    for (const auto& [command, options] : usage)
        EXPECT_EQ(LongOptionsIn(complete("kestrelport " + command + " --")), options) << command;
}
