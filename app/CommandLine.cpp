#include "CommandLine.h"

#include "modAppInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
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
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(QCoreApplication::arguments())) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty()) Print(stderr, parser.errorText() + "\n");
        for (const QString& name : unknown)
            Print(stderr, "Opzione sconosciuta: " + OptionNames({name}) + "\n");
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
