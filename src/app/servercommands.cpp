#include "servercommands.h"
#include "core/apperror.h"
#include "core/locations.h"
#include "files/serverconf.h"
#include "files/servercopy.h"
#include "store/address.h"
#include "store/serverusers.h"
#include "store/setup.h"
#include "store/store.h"

#include <QDir>
#include <cstdio>

namespace gudang {

namespace {

// A password on the command line is readable by every user of the computer: refused, with where
// it belongs instead.
bool withPassword(const QString &conninfo, const char *option)
{
    if (!conninfoHasPassword(conninfo))
        return false;
    std::fprintf(stderr,
                 "Gudang tidak menerima kata sandi di %s: kata sandi di baris perintah terbaca "
                 "oleh pengguna lain komputer ini. Simpan kata sandinya di ~/.pgpass (chmod 600) "
                 "atau pakai PGPASSWORD, lalu jalankan lagi tanpa password.\n",
                 option);
    return true;
}

} // namespace

int chooseServer(const QCommandLineParser &parser, const Options &options, const QString &dir,
                 QString *server)
{
    const Locations folder(dir);
    try {
        if (parser.isSet(options.forgetServer)) {
            if (!forgetServer(folder))
                std::printf("Tidak ada server yang diingat untuk %s.\n",
                            qPrintable(QDir::toNativeSeparators(dir)));
            else
                std::printf("Server dilupakan; Gudang memakai database di %s lagi.\n",
                            qPrintable(QDir::toNativeSeparators(dir)));
            return 0;
        }
        if (parser.isSet(options.copyToServer)) {
            const QString target = parser.value(options.copyToServer);
            if (const QString bad = conninfoError(target); !bad.isEmpty()) {
                std::fprintf(stderr, "Alamat server tidak terbaca: %s\n", qPrintable(bad));
                return 2;
            }
            if (withPassword(target, "--copy-to-server"))
                return 1;
            std::printf("%s\n", qPrintable(copyFolderToServer(folder, target)));
            return 0;
        }
        *server = parser.isSet(options.server) ? parser.value(options.server)
                                               : rememberedServer(folder);
        if (server->isEmpty()) {
            if (parser.isSet(options.initServer) || parser.isSet(options.rememberServer)) {
                std::fprintf(stderr, "--init-server dan --remember-server perlu --server.\n");
                return 2;
            }
            return -1;
        }
        if (const QString bad = conninfoError(*server); !bad.isEmpty()) {
            std::fprintf(stderr, "Alamat server tidak terbaca: %s\n", qPrintable(bad));
            return 2;
        }
        if (parser.isSet(options.server) && withPassword(*server, "--server"))
            return 1;
        if (parser.isSet(options.rememberServer)) {
            // Remembered only once the server answers: a mistyped host is not kept. A server
            // that asks for a person's password has answered (its people log in as themselves).
            if (const ServerLogin answer = tryServerLogin(*server);
                !answer.opened && !answer.refused && !answer.shut)
                throw AppError(answer.why, AppError::Kind::CannotOpen);
            rememberServer(folder, *server);
            std::printf("Server diingat untuk %s: Gudang berikutnya cukup dijalankan tanpa "
                        "opsi.\n",
                        qPrintable(QDir::toNativeSeparators(dir)));
        }
        if (parser.isSet(options.initServer)) {
            std::printf("%s\n", qPrintable(initServer(*server)));
            return 0;
        }
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return -1;
}

} // namespace gudang
