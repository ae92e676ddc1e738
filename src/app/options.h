#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace gudang {

// The program's options.
struct Options
{
    Options();

    QCommandLineOption dataDir, demo, report, code, pdf, csv, xlsx, restore, from, to, server,
        rememberServer, forgetServer, initServer, copyToServer;

    void addTo(QCommandLineParser &parser) const;
    // The options that need a value, for the message when one is missing.
    std::vector<const QCommandLineOption *> withValues() const;
};

// What the command line asks for when it needs no window: help, the version, a report as a
// file, a restore, the server commands, or a wrong command line (said on the terminal).
bool headless(const QStringList &arguments);

// The command line's mistake in the program's words; empty when there is none.
QString commandLineError(const QStringList &arguments);

} // namespace gudang
