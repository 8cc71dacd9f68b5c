#include "CommandLine.h"

#include "modAppInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace modGlobal {

namespace {

const QString kDescription =
    "Tessarin - Fidelity card per agenzie di viaggio.\n"
    "Senza opzioni avvia il programma; la cartella di lavoro predefinita è quella indicata da\n"
    "TESSARIN_HOME, se impostata.";

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
}

QString OptionNames(const QStringList& names) {
    QStringList shown;
    for (const QString& name : names)
        shown << (name.size() == 1 ? "-" : "--") + name;
    return shown.join(", ");
}

// The option as it was typed, with its dashes: the parser keeps only the name.
QString AsTyped(const QString& name, const QStringList& arguments) {
    for (const QString& argument : arguments) {
        const QString typed = argument.section('=', 0, 0);
        if (typed.startsWith('-') && QString(typed).remove(QRegularExpression("^-+")) == name)
            return typed;
    }
    return OptionNames({name});
}

// Written here rather than by the parser so that it reads in Italian whether or not Qt's own
// translations are installed.
QString HelpText(const QList<QCommandLineOption>& options) {
    QString text = "Uso: tessarin [opzioni]\n" + kDescription + "\n\nOpzioni:\n";
    qsizetype width = 0;
    for (const auto& option : options)
        width = std::max(width, OptionNames(option.names()).size());
    for (const auto& option : options)
        text += "  " + OptionNames(option.names()).leftJustified(width + 2) + option.description() +
                "\n";
    return text;
}

} // namespace

std::optional<int> HandleCommandLine(int argc, char** argv) {
    if (argc < 2) return std::nullopt;
    // A bare core application only for the parser: it needs no display and is gone before the
    // program's own application is made.
    QCoreApplication core(argc, argv);
    const QCommandLineOption help({"h", "help"}, "Mostra questo aiuto ed esce.");
    const QCommandLineOption version({"v", "version"}, "Mostra la versione del programma ed esce.");
    QCommandLineParser parser;
    // Qt's own options are spelt with one dash ("-platform xcb"), as the desktop's session
    // manager does when it starts the program again ("-session <id>").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(help);
    parser.addOption(version);
    // Left to QApplication, which takes them off the arguments; hidden from the help.
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "session",
                             "style", "stylesheet", "display", "geometry", "qwindowgeometry",
                             "qwindowtitle", "qwindowicon", "name", "title"}) {
        QCommandLineOption qtOption(name, QString(), "value");
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char* name : {"reverse", "sync", "nograb", "dograb", "widgetcount"}) {
        QCommandLineOption qtOption(name);
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    if (!parser.parse(QCoreApplication::arguments())) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty()) Print(stderr, parser.errorText() + "\n");
        for (const QString& name : unknown)
            Print(stderr,
                  "Opzione sconosciuta: " + AsTyped(name, QCoreApplication::arguments()) + "\n");
        Print(stderr, "Usare tessarin --help per l'elenco delle opzioni.\n");
        return 2;
    }
    if (parser.isSet(help)) {
        Print(stdout, HelpText({help, version}));
        return 0;
    }
    if (parser.isSet(version)) {
        Print(stdout, modAppInfo::ProductName() + " " + modAppInfo::VersionNumber() + "\n");
        return 0;
    }
    return std::nullopt;
}

} // namespace modGlobal
