#include "importcommand.h"
#include "core/apperror.h"
#include "import/sheet.h"
#include "stock/importer.h"
#include "store/serverusers.h"
#include "store/setup.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace gudang {

int importCommand(const QCommandLineParser &parser, const Options &options,
                  const Locations &locations)
{
    const bool goods = parser.isSet(options.importGoods);
    if (goods && parser.isSet(options.importStock)) {
        std::fprintf(stderr, "--import-goods dan --import-stock dipakai satu per satu.\n");
        return 2;
    }
    const QString file = parser.value(goods ? options.importGoods : options.importStock);
    const ImportKind kind = goods ? ImportKind::Goods : ImportKind::Stock;
    try {
        if (!locations.onServer()) {
            if (!QFileInfo::exists(locations.workingPath())) {
                std::fprintf(stderr, "Database kerja %s tidak ditemukan; tidak ada yang diimpor.\n",
                             qPrintable(QDir::toNativeSeparators(locations.workingPath())));
                return 1;
            }
            upgradeDatabaseFile(locations.workingPath(), DbRole::Working);
        }
        // Who imports: the person the server knows, or the user of this computer's folder.
        Role role = Role::Pemilik;
        QString user = qEnvironmentVariable("USER", QStringLiteral("impor")).left(10);
        if (locations.onServer()) {
            if (const std::optional<Role> known = serverPerson(locations.server()).role)
                role = *known;
        }
        const Sheet sheet = readSheet(file, parser.value(options.sheet));
        const ImportPlan plan = planImport(locations.workingPath(), kind, sheet);
        if (!plan.ignored.isEmpty())
            std::fprintf(stderr, "Kolom yang tidak dipakai: %s\n",
                         qPrintable(plan.ignored.join(QStringLiteral(", "))));
        if (plan.beyondHeadings)
            std::fprintf(stderr, "Sel di kanan judul terakhir tidak dibaca.\n");
        for (const ImportRow &r : plan.rows) {
            if (r.verdict == ImportRow::Refused)
                std::fprintf(
                    stderr, "baris %d%s: %s\n", r.line,
                    r.code.isEmpty() ? "" : qPrintable(QStringLiteral(" (kode %1)").arg(r.code)),
                    qPrintable(r.said));
        }
        // A file with refused rows is refused whole: no one has seen the rows to leave out.
        const ImportResult done
            = applyImport(locations.workingPath(), plan, user, role, RefusedRows::RefuseFile);
        std::printf("%s dari %s (%s): %d baru, %d diubah, %d sama; %d baris jurnal \"stok awal "
                    "impor\".\n",
                    goods ? "Data barang" : "Stok", qPrintable(QDir::toNativeSeparators(file)),
                    qPrintable(plan.format), done.added, done.changed,
                    plan.count(ImportRow::Unchanged), done.journaled);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}

} // namespace gudang
