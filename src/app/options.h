#pragma once

#include "core/locations.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <vector>

namespace gudang {

// What --report writes: every report of the report table that has a name, then the labels.
struct CommandReport
{
    QString name; // as --report takes it
    QString said; // what --help says of it
};
const std::vector<CommandReport> &commandReports();
// The names --report takes, joined by `separator`, and its line of --help.
QString reportNames(const QString &separator);
QString reportHelp();

// The program's options.
struct Options
{
    QCommandLineOption dataDir {
        QStringLiteral("data-dir"),
        QStringLiteral("Folder data (bawaan: %1).").arg(Locations::defaultDataDir()),
        QStringLiteral("DIR")
    };
    QCommandLineOption demo { QStringLiteral("demo"),
                              QStringLiteral(
                                  "Isi database kerja yang masih baru dengan data contoh.") };
    QCommandLineOption report { QStringLiteral("report"), reportHelp(),
                                reportNames(QStringLiteral("|")) };
    QCommandLineOption code { QStringLiteral("kode"),
                              QStringLiteral("Bersama --report kartu: kode barangnya; bersama "
                                             "--report label: kode-kode barang dipisah koma "
                                             "(tanpa --kode: semua barang)."),
                              QStringLiteral("KODE") };
    QCommandLineOption id { QStringLiteral("id"),
                            QStringLiteral("Bersama --report opname atau lembar-opname: nomor "
                                           "hitungannya."),
                            QStringLiteral("NOMOR") };
    QCommandLineOption layout { QStringLiteral("layout"),
                                QStringLiteral("Bersama --report label: lembar label 3x8 "
                                               "(bawaan) atau 4x10."),
                                QStringLiteral("3x8|4x10") };
    QCommandLineOption pdf { QStringLiteral("pdf"),
                             QStringLiteral("Tulis laporan ke FILE PDF tanpa membuka jendela."),
                             QStringLiteral("FILE") };
    QCommandLineOption csv {
        QStringLiteral("csv"),
        QStringLiteral("Tulis data laporan ke FILE CSV (pemisah \";\", koma desimal, UTF-8) "
                       "tanpa membuka jendela."),
        QStringLiteral("FILE")
    };
    QCommandLineOption xlsx { QStringLiteral("xlsx"),
                              QStringLiteral(
                                  "Tulis data laporan ke FILE Excel (XLSX) tanpa membuka jendela."),
                              QStringLiteral("FILE") };
    QCommandLineOption importGoods {
        QStringLiteral("import-goods"),
        QStringLiteral("Impor data barang dari FILE CSV atau XLSX tanpa membuka jendela: semua "
                       "baris dalam satu transaksi, atau tidak satu pun bila ada baris yang "
                       "ditolak."),
        QStringLiteral("FILE")
    };
    QCommandLineOption importStock {
        QStringLiteral("import-stock"),
        QStringLiteral("Impor stok (stok awal) dari FILE CSV atau XLSX tanpa membuka jendela, "
                       "dengan baris jurnal \"stok awal impor\"."),
        QStringLiteral("FILE")
    };
    QCommandLineOption sheet { QStringLiteral("sheet"),
                               QStringLiteral("Bersama --import-goods/--import-stock: lembar "
                                              "XLSX yang dibaca (bawaan: yang pertama)."),
                               QStringLiteral("NAMA") };
    QCommandLineOption restore {
        QStringLiteral("restore"),
        QStringLiteral("Pulihkan database dari FILE cadangan (folder backup di folder "
                       "data)."),
        QStringLiteral("FILE")
    };
    QCommandLineOption from {
        QStringLiteral("from"),
        QStringLiteral("Bersama --report keluar atau kartu: sejak tanggal ini (bawaan: awal "
                       "bulan --to)."),
        QStringLiteral("YYYY-MM-DD")
    };
    QCommandLineOption to {
        QStringLiteral("to"),
        QStringLiteral("Bersama --report keluar atau kartu: sampai tanggal ini, hari itu ikut "
                       "(bawaan: akhir bulan --from)."),
        QStringLiteral("YYYY-MM-DD")
    };
    QCommandLineOption date {
        QStringLiteral("tanggal"),
        QStringLiteral("Bersama --report nilai: nilai persediaan pada akhir hari ini (bawaan: "
                       "hari ini)."),
        QStringLiteral("YYYY-MM-DD")
    };
    QCommandLineOption server {
        QStringLiteral("server"),
        QStringLiteral("Pakai database di server PostgreSQL ini (string koneksi libpq atau "
                       "URI, tanpa kata sandi: pakai ~/.pgpass, PGPASSWORD atau "
                       "pg_service.conf)."),
        QStringLiteral("CONNINFO")
    };
    QCommandLineOption rememberServer {
        QStringLiteral("remember-server"),
        QStringLiteral("Bersama --server: ingat server itu untuk folder data ini "
                       "(file server.conf), sehingga Gudang berikutnya cukup "
                       "dijalankan tanpa opsi.")
    };
    QCommandLineOption forgetServer {
        QStringLiteral("forget-server"),
        QStringLiteral("Lupakan server yang diingat untuk folder data ini; Gudang "
                       "kembali memakai database di folder itu.")
    };
    QCommandLineOption initServer {
        QStringLiteral("init-server"),
        QStringLiteral("Buat tabel Gudang di database server yang masih kosong (bersama "
                       "--server).")
    };
    QCommandLineOption copyToServer {
        QStringLiteral("copy-to-server"),
        QStringLiteral("Salin semua data folder data (--data-dir) ke server ini dalam "
                       "satu transaksi; server harus belum berisi data."),
        QStringLiteral("CONNINFO")
    };

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
