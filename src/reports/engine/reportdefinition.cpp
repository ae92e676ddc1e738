#include "reportdefinition.h"
#include "core/apperror.h"
#include "core/locations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace gudang {

namespace {

[[noreturn]] void malformed(const QString &file, int line, const QString &why)
{
    throw AppError(QStringLiteral("File laporan %1, baris %2: %3")
                       .arg(QDir::toNativeSeparators(file))
                       .arg(line)
                       .arg(why));
}

// The value a word names (letter case ignored); the line is malformed when it names none.
template<typename T>
T named(const QString &word, std::initializer_list<std::pair<QLatin1String, T>> names,
        const QString &file, int line, const QString &unknown)
{
    for (const auto &[name, value] : names) {
        if (word.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    malformed(file, line, unknown.arg(word));
}

double parseWidth(const QString &text, const QString &file, int line)
{
    bool ok = false;
    const double w = text.trimmed().toDouble(&ok);
    if (!ok || w <= 0 || w > 1000)
        malformed(file, line,
                  QStringLiteral("lebar kolom \"%1\" harus berupa angka milimeter di atas 0.")
                      .arg(text.trimmed()));
    return w;
}

} // namespace

ReportDefinition parseReportDefinition(const QString &text, const QString &file)
{
    ReportDefinition def;
    const QStringList lines = text.split(QLatin1Char('\n'));
    int titleLine = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const int n = i + 1;
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            malformed(file, n, QStringLiteral("baris harus berbentuk \"kunci = nilai\"."));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        const QStringList parts = value.split(QLatin1Char('|'));
        auto part = [&](int k) {
            return parts.value(k).trimmed();
        };
        if (key == QLatin1String("judul")) {
            if (titleLine)
                malformed(file, n,
                          QStringLiteral("judul sudah ditulis pada baris %1.").arg(titleLine));
            def.title = value;
            titleLine = n;
        } else if (key == QLatin1String("data")) {
            if (!def.query.isEmpty())
                malformed(file, n, QStringLiteral("data hanya boleh ditulis sekali."));
            if (!value.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive))
                malformed(file, n, QStringLiteral("data harus berupa satu perintah SELECT."));
            def.query = value;
        } else if (key == QLatin1String("urut")) {
            for (const QString &f : value.split(QLatin1Char(','))) {
                if (!f.trimmed().isEmpty())
                    def.sortBy << f.trimmed();
            }
        } else if (key == QLatin1String("kolom")) {
            if (parts.size() != 5)
                malformed(
                    file, n,
                    QStringLiteral("kolom perlu 5 bagian: field | judul | lebar | rata | format."));
            ReportColumn c;
            c.field = part(0);
            c.heading = part(1);
            c.widthMm = parseWidth(part(2), file, n);
            using A = ReportColumn::Align;
            c.align = named<A>(
                part(3),
                { { QLatin1String("kiri"), A::Left },
                  { QLatin1String("kanan"), A::Right },
                  { QLatin1String("tengah"), A::Centre } },
                file, n, QStringLiteral("rata \"%1\" tidak dikenal (kiri, kanan atau tengah)."));
            using F = ReportColumn::Format;
            c.format = named<F>(
                part(4),
                { { QLatin1String("teks"), F::Text },
                  { QLatin1String("angka"), F::Number },
                  { QLatin1String("ribuan"), F::Grouped },
                  { QLatin1String("tanggal"), F::Date } },
                file, n,
                QStringLiteral("format \"%1\" tidak dikenal (teks, angka, ribuan atau tanggal)."));
            if (c.field.isEmpty())
                malformed(file, n, QStringLiteral("nama field kolom kosong."));
            def.columns.push_back(c);
        } else if (key == QLatin1String("total")) {
            if (value.isEmpty())
                malformed(file, n, QStringLiteral("total perlu nama field."));
            def.totals << value;
            def.totalLines << n;
        } else if (key == QLatin1String("tanda")) {
            if (def.mark)
                malformed(file, n, QStringLiteral("tanda hanya boleh ditulis sekali."));
            if (parts.size() != 4)
                malformed(
                    file, n,
                    QStringLiteral("tanda perlu 4 bagian: judul | lebar | field < field | teks."));
            ReportMark m;
            m.heading = part(0);
            m.widthMm = parseWidth(part(1), file, n);
            const QStringList cmp = part(2).split(QLatin1Char('<'));
            if (cmp.size() != 2 || cmp[0].trimmed().isEmpty() || cmp[1].trimmed().isEmpty())
                malformed(file, n,
                          QStringLiteral("perbandingan tanda harus berbentuk \"field < field\"."));
            m.left = cmp[0].trimmed();
            m.right = cmp[1].trimmed();
            m.text = part(3);
            m.line = n;
            def.mark = m;
        } else {
            malformed(file, n, QStringLiteral("kunci \"%1\" tidak dikenal.").arg(key));
        }
    }
    if (def.title.isEmpty())
        throw AppError(QStringLiteral("File laporan %1: judul belum ditulis.")
                           .arg(QDir::toNativeSeparators(file)));
    if (def.query.isEmpty())
        throw AppError(QStringLiteral("File laporan %1: data belum ditulis.")
                           .arg(QDir::toNativeSeparators(file)));
    if (def.columns.empty())
        throw AppError(QStringLiteral("File laporan %1: belum ada kolom.")
                           .arg(QDir::toNativeSeparators(file)));
    // A total and a remark's comparison take numbers: a field shown as text or date is refused.
    auto numeric = [&def, &file](const QString &field, int line, const QString &what) {
        for (const ReportColumn &c : def.columns) {
            if (c.field == field
                && (c.format == ReportColumn::Format::Text
                    || c.format == ReportColumn::Format::Date))
                malformed(file, line,
                          QStringLiteral("%1 perlu field angka, tetapi kolom %2 berformat %3.")
                              .arg(what, field,
                                   c.format == ReportColumn::Format::Text
                                       ? QStringLiteral("teks")
                                       : QStringLiteral("tanggal")));
        }
    };
    for (qsizetype t = 0; t < def.totals.size(); ++t)
        numeric(def.totals[t], def.totalLines[t], QStringLiteral("total"));
    if (def.mark) {
        numeric(def.mark->left, def.mark->line, QStringLiteral("tanda"));
        numeric(def.mark->right, def.mark->line, QStringLiteral("tanda"));
    }
    double width = def.mark ? def.mark->widthMm : 0;
    for (const ReportColumn &c : def.columns)
        width += c.widthMm;
    if (width > 180)
        throw AppError(
            QStringLiteral(
                "File laporan %1: lebar semua kolom %2 mm melebihi lebar kertas (180 mm).")
                .arg(QDir::toNativeSeparators(file))
                .arg(width));
    return def;
}

ReportDefinition readReportDefinition(const QString &path)
{
    QFile f(path);
    if (!f.exists())
        throw AppError(
            QStringLiteral("File laporan %1 tidak ditemukan.").arg(QDir::toNativeSeparators(path)));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        throw AppError(QStringLiteral("File laporan %1 tidak dapat dibaca: %2.")
                           .arg(QDir::toNativeSeparators(path), f.errorString()));
    const QByteArray bytes = f.readAll();
    if (bytes.contains('\0'))
        throw AppError(
            QStringLiteral("File laporan %1 bukan file teks.").arg(QDir::toNativeSeparators(path)));
    return parseReportDefinition(QString::fromUtf8(bytes), path);
}

QString defaultGoodsOutDefinition()
{
    return QStringLiteral(
        "# Laporan barang keluar. Baris yang diawali # adalah catatan.\n"
        "# kolom = field | judul | lebar (mm) | kiri/kanan/tengah | teks/angka/ribuan/tanggal\n"
        "judul = LAPORAN BARANG KELUAR\n"
        "data  = SELECT k.No_Keluar, k.Tanggal, k.Kode_Barang, b.Nama_Barang, k.Jumlah, b.Satuan "
        "FROM tbrgkeluar k LEFT JOIN tbarang b ON b.Kode_Barang = k.Kode_Barang\n"
        "urut  = Tanggal, No_Keluar\n"
        "kolom = No_Keluar | No. | 16 | kanan | angka\n"
        "kolom = Tanggal | Tanggal | 24 | kiri | tanggal\n"
        "kolom = Kode_Barang | Kode Barang | 26 | kiri | teks\n"
        "kolom = Nama_Barang | Nama Barang | 52 | kiri | teks\n"
        "kolom = Jumlah | Jumlah | 22 | kanan | ribuan\n"
        "kolom = Satuan | Satuan | 24 | kiri | teks\n"
        "total = Jumlah\n");
}

QString defaultStockDefinition()
{
    return QStringLiteral(
        "# Laporan stok barang. Baris yang diawali # adalah catatan.\n"
        "# tanda = judul | lebar (mm) | field < field | teks bila perbandingan benar\n"
        "judul = LAPORAN STOK BARANG\n"
        "data  = SELECT s.Kode_Barang, b.Nama_Barang, b.Satuan, s.Jumlah_Stok, s.Stok_Minimum "
        "FROM tstok s LEFT JOIN tbarang b ON b.Kode_Barang = s.Kode_Barang\n"
        "urut  = Kode_Barang\n"
        "kolom = Kode_Barang | Kode Barang | 24 | kiri | teks\n"
        "kolom = Nama_Barang | Nama Barang | 46 | kiri | teks\n"
        "kolom = Satuan | Satuan | 20 | kiri | teks\n"
        "kolom = Jumlah_Stok | Stok | 20 | kanan | ribuan\n"
        "kolom = Stok_Minimum | Stok Minimum | 24 | kanan | ribuan\n"
        "tanda = Keterangan | 40 | Jumlah_Stok < Stok_Minimum | DI BAWAH MINIMUM\n");
}

// The low-stock list's order and columns, the same in every version of its default.
static QString lowStockColumns()
{
    return QStringLiteral("kolom = Kode_Barang | Kode Barang | 24 | kiri | teks\n"
                          "kolom = Nama_Barang | Nama Barang | 44 | kiri | teks\n"
                          "kolom = Satuan | Satuan | 18 | kiri | teks\n"
                          "kolom = Jumlah_Stok | Stok | 18 | kanan | ribuan\n"
                          "kolom = Stok_Minimum | Stok Minimum | 24 | kanan | ribuan\n"
                          "kolom = Keterangan | Keterangan | 38 | kiri | teks\n");
}

QString defaultLowStockDefinition()
{
    return QStringLiteral(
               "# Stok di bawah minimum: setiap data stok yang stoknya kurang dari stok minimumnya "
               "(juga\n"
               "# yang data barangnya sudah tidak ada), dan barang terdaftar yang belum punya data "
               "stok\n"
               "# (stoknya 0). Baris yang diawali # adalah catatan.\n"
               "judul = STOK DI BAWAH MINIMUM\n"
               "data  = SELECT s.Kode_Barang, coalesce(b.Nama_Barang, '(tidak ada di data "
               "barang)') AS "
               "Nama_Barang, b.Satuan, coalesce(s.Jumlah_Stok, 0) AS Jumlah_Stok, s.Stok_Minimum, "
               "'di "
               "bawah minimum' AS Keterangan FROM tstok s LEFT JOIN tbarang b ON b.Kode_Barang = "
               "s.Kode_Barang WHERE coalesce(s.Jumlah_Stok, 0) < s.Stok_Minimum UNION ALL SELECT "
               "b.Kode_Barang, b.Nama_Barang, b.Satuan, 0, NULL, 'belum ada data stok' FROM "
               "tbarang b "
               "WHERE NOT EXISTS (SELECT 1 FROM tstok s WHERE s.Kode_Barang = b.Kode_Barang)\n"
               "urut  = Kode_Barang\n")
        + lowStockColumns();
}

namespace {

QString periodDefinition(bool withUser)
{
    const QString period = QStringLiteral("k.Tanggal >= :dari AND k.Tanggal < :sampai");
    const QString from = QStringLiteral(
        "FROM tbrgkeluar k LEFT JOIN tbarang b ON b.Kode_Barang = k.Kode_Barang WHERE ");
    return QStringLiteral(
               "# Barang keluar dalam satu periode, dengan subtotal per kode barang dan "
               "satuannya,\n"
               "# dan jumlah per satuan di akhir: jumlah dengan satuan lain tidak dijumlahkan.\n"
               "# :dari dan :sampai diisi program (hari pertama pukul 00:00, hari sesudah hari\n"
               "# terakhir pukul 00:00); {dari} dan {akhir} di judul menjadi tanggalnya.\n"
               "judul = LAPORAN BARANG KELUAR {dari} s.d. {akhir}\n"
               "data  = SELECT 1 AS Bagian, k.Kode_Barang AS Kunci, b.Satuan AS Unit, 0 AS Jenis, "
               "k.No_Keluar, k.Tanggal, k.Kode_Barang, b.Nama_Barang, k.Jumlah, b.Satuan%3 %1%2 "
               "UNION ALL SELECT 1, k.Kode_Barang, b.Satuan, 1, NULL, NULL, NULL, 'Subtotal ' || "
               "k.Kode_Barang, sum(k.Jumlah), b.Satuan%4 %1%2 GROUP BY k.Kode_Barang, b.Satuan "
               "UNION ALL SELECT 2, NULL, b.Satuan, 2, NULL, NULL, NULL, 'Jumlah ' || "
               "coalesce(b.Satuan, '(tanpa satuan)'), sum(k.Jumlah), b.Satuan%4 %1%2 GROUP BY "
               "b.Satuan\n"
               "urut  = Bagian, Kunci, Unit, Jenis, Tanggal, No_Keluar\n"
               "kolom = No_Keluar | No. | 16 | kanan | angka\n"
               "kolom = Tanggal | Tanggal | 24 | kiri | tanggal\n"
               "kolom = Kode_Barang | Kode Barang | 26 | kiri | teks\n"
               "kolom = Nama_Barang | Nama Barang | 52 | kiri | teks\n"
               "kolom = Jumlah | Jumlah | 22 | kanan | ribuan\n"
               "kolom = Satuan | Satuan | 24 | kiri | teks\n%5")
        .arg(from, period,
             withUser ? QStringLiteral(", (SELECT min(m.Pengguna) FROM tmutasi m WHERE "
                                       "m.No_Keluar = k.No_Keluar AND m.Jenis = 'barang keluar') "
                                       "AS Pengguna")
                      : QString(),
             withUser ? QStringLiteral(", NULL") : QString(),
             withUser ? QStringLiteral("kolom = Pengguna | Pengguna | 16 | kiri | teks\n")
                      : QString());
}

} // namespace

QString defaultPeriodDefinition()
{
    return periodDefinition(true);
}

namespace {

QStringList periodDefinitionsBefore()
{
    return { periodDefinition(false) };
}

} // namespace

ReportParameters periodParameters(const QDate &first, const QDate &last)
{
    const QString day = QStringLiteral("yyyy-MM-dd 00:00:00");
    return { { QStringLiteral("dari"), first.toString(day) },
             { QStringLiteral("sampai"), last.addDays(1).toString(day) },
             { QStringLiteral("akhir"), last.toString(day) } };
}

namespace {

QString stockCardDefinition(bool withUser, bool openingFirst)
{
    // The stock the journal began with comes before every movement of the code, whatever their
    // dates: a goods-out entered later with an earlier date follows it.
    const QString before = openingFirst
        ? QStringLiteral("coalesce((SELECT sum(Perubahan) FROM tmutasi WHERE Kode_Barang = :kode "
                         "AND Tanggal < %1 AND Jenis <> 'saldo awal'), 0) + coalesce((SELECT "
                         "sum(Perubahan) FROM tmutasi WHERE Kode_Barang = :kode AND Jenis = "
                         "'saldo awal'), 0)")
        : QStringLiteral("coalesce((SELECT sum(Perubahan) FROM tmutasi WHERE "
                         "Kode_Barang = :kode AND Tanggal < %1), 0)");
    return QStringLiteral(
               "# Kartu stok: setiap gerakan stok satu kode barang dalam satu periode, menurut\n"
               "# tanggal gerakannya (tanggal barang keluar, hari stok masuk), dengan saldo awal,\n"
               "# saldo sesudah tiap gerakan dan saldo akhir, dari jurnal tmutasi.%8\n"
               "# :kode, :dari dan :sampai diisi program.\n"
               "judul = KARTU STOK {kode} {dari} s.d. {akhir}\n"
               "data  = SELECT 0 AS Bagian, NULL AS No_Mutasi, NULL AS Tanggal, 'Saldo awal' AS "
               "Jenis, NULL AS Masuk, NULL AS Keluar, %1 AS Saldo, NULL AS No_Keluar, '' AS "
               "Keterangan%3 UNION ALL SELECT 1, m.No_Mutasi, m.Tanggal, m.Jenis, CASE WHEN "
               "m.Perubahan > 0 THEN m.Perubahan END, CASE WHEN m.Perubahan < 0 THEN -m.Perubahan "
               "END, %1 + sum(m.Perubahan) OVER (ORDER BY m.Tanggal, m.No_Mutasi ROWS UNBOUNDED "
               "PRECEDING), m.No_Keluar, m.Keterangan%4 FROM tmutasi m WHERE m.Kode_Barang = :kode "
               "AND m.Tanggal >= :dari AND m.Tanggal < :sampai%9 UNION ALL SELECT 2, NULL, NULL, "
               "'Saldo akhir', NULL, NULL, %2, NULL, ''%5\n"
               "urut  = Bagian, Tanggal, No_Mutasi\n"
               "kolom = Tanggal | Tanggal | 22 | kiri | tanggal\n"
               "kolom = Jenis | Jenis | 28 | kiri | teks\n"
               "kolom = Masuk | Masuk | 18 | kanan | ribuan\n"
               "kolom = Keluar | Keluar | 18 | kanan | ribuan\n"
               "kolom = Saldo | Saldo | 20 | kanan | ribuan\n"
               "kolom = No_Keluar | No. Keluar | 20 | kanan | angka\n"
               "kolom = Keterangan | Keterangan | %7 | kiri | teks\n%6")
        .arg(before.arg(QStringLiteral(":dari")), before.arg(QStringLiteral(":sampai")),
             withUser ? QStringLiteral(", NULL AS Pengguna") : QString(),
             withUser ? QStringLiteral(", m.Pengguna") : QString(),
             withUser ? QStringLiteral(", NULL") : QString(),
             withUser ? QStringLiteral("kolom = Pengguna | Pengguna | 16 | kiri | teks\n")
                      : QString(),
             withUser ? QStringLiteral("36") : QStringLiteral("52"),
             openingFirst ? QStringLiteral("\n# Stok saat jurnal dimulai (saldo awal jurnal) masuk "
                                           "saldo awal setiap periode.")
                          : QString(),
             openingFirst ? QStringLiteral(" AND m.Jenis <> 'saldo awal'") : QString());
}

} // namespace

QString defaultStockCardDefinition()
{
    return stockCardDefinition(true, true);
}

QString defaultCountDefinition()
{
    return QStringLiteral(
        "# Selisih stok opname: setiap kode barang satu hitungan dengan stok saat hitungan\n"
        "# dimulai, jumlah yang dihitung, gerakan sejak hitungan dimulai (barang keluar, stok\n"
        "# masuk) dan selisihnya; kode yang belum dihitung di akhir. :id diisi program.\n"
        "judul = SELISIH STOK OPNAME NO. {id}\n"
        "data  = SELECT CASE WHEN l.Dihitung IS NULL THEN 2 ELSE 1 END AS Bagian, "
        "l.Kode_Barang, b.Nama_Barang, b.Satuan, l.Stok_Awal, l.Dihitung, CASE WHEN o.Status = "
        "'diterapkan' THEN l.Gerakan ELSE coalesce(s.Jumlah_Stok, 0) - l.Stok_Awal END AS "
        "Gerakan, l.Dihitung - l.Stok_Awal AS Selisih, CASE WHEN l.Dihitung IS NULL THEN 'belum "
        "dihitung' WHEN o.Status = 'diterapkan' THEN 'diterapkan' ELSE '' END AS Keterangan FROM "
        "topnamebrg l JOIN topname o ON o.No_Opname = l.No_Opname LEFT JOIN tbarang b ON "
        "b.Kode_Barang = l.Kode_Barang LEFT JOIN tstok s ON s.Kode_Barang = l.Kode_Barang WHERE "
        "l.No_Opname = :id\n"
        "urut  = Bagian, Kode_Barang\n"
        "kolom = Kode_Barang | Kode | 20 | kiri | teks\n"
        "kolom = Nama_Barang | Nama Barang | 40 | kiri | teks\n"
        "kolom = Satuan | Satuan | 16 | kiri | teks\n"
        "kolom = Stok_Awal | Stok awal | 20 | kanan | ribuan\n"
        "kolom = Dihitung | Dihitung | 20 | kanan | ribuan\n"
        "kolom = Gerakan | Gerakan | 18 | kanan | ribuan\n"
        "kolom = Selisih | Selisih | 18 | kanan | ribuan\n"
        "kolom = Keterangan | Keterangan | 28 | kiri | teks\n");
}

QString defaultCountSheetDefinition()
{
    return QStringLiteral(
        "# Lembar hitung stok opname: kode, nama dan satuan setiap barang satu hitungan, dengan\n"
        "# kolom kosong untuk jumlah yang dihitung. :id diisi program.\n"
        "judul = LEMBAR HITUNG STOK OPNAME NO. {id}\n"
        "data  = SELECT l.Kode_Barang, b.Nama_Barang, b.Satuan, '' AS Jumlah, '' AS Paraf FROM "
        "topnamebrg l LEFT JOIN tbarang b ON b.Kode_Barang = l.Kode_Barang WHERE l.No_Opname = "
        ":id\n"
        "urut  = Kode_Barang\n"
        "kolom = Kode_Barang | Kode | 26 | kiri | teks\n"
        "kolom = Nama_Barang | Nama Barang | 60 | kiri | teks\n"
        "kolom = Satuan | Satuan | 24 | kiri | teks\n"
        "kolom = Jumlah | Jumlah dihitung | 40 | kiri | teks\n"
        "kolom = Paraf | Paraf | 24 | kiri | teks\n");
}

QString defaultUserMovementsDefinition()
{
    const QString period = QStringLiteral("m.Tanggal >= :dari AND m.Tanggal < :sampai");
    return QStringLiteral(
               "# Mutasi per pengguna: setiap gerakan stok dan koreksi barang keluar dalam satu\n"
               "# periode, dikelompokkan menurut pengguna yang membuatnya, dengan jumlah gerakan\n"
               "# tiap pengguna di kolom Gerakan. :dari dan :sampai diisi program.\n"
               "judul = MUTASI PER PENGGUNA {dari} s.d. {akhir}\n"
               "data  = SELECT 1 AS Bagian, coalesce(m.Pengguna, '') AS Pengguna, m.Tanggal, "
               "m.No_Mutasi, m.Jenis, m.Kode_Barang, b.Nama_Barang, m.Perubahan, m.No_Keluar, "
               "m.Keterangan, NULL AS Gerakan FROM tmutasi m LEFT JOIN tbarang b ON "
               "b.Kode_Barang = m.Kode_Barang WHERE %1 UNION ALL SELECT 2, coalesce(m.Pengguna, "
               "''), NULL, NULL, 'Jumlah gerakan', NULL, NULL, NULL, NULL, NULL, count(*) FROM "
               "tmutasi m WHERE %1 GROUP BY coalesce(m.Pengguna, '')\n"
               "urut  = Pengguna, Bagian, Tanggal, No_Mutasi\n"
               "kolom = Pengguna | Pengguna | 16 | kiri | teks\n"
               "kolom = Tanggal | Tanggal | 22 | kiri | tanggal\n"
               "kolom = Jenis | Jenis | 24 | kiri | teks\n"
               "kolom = Kode_Barang | Kode | 18 | kiri | teks\n"
               "kolom = Nama_Barang | Nama Barang | 30 | kiri | teks\n"
               "kolom = Perubahan | Perubahan | 18 | kanan | ribuan\n"
               "kolom = No_Keluar | No. Keluar | 14 | kanan | angka\n"
               "kolom = Keterangan | Keterangan | 22 | kiri | teks\n"
               "kolom = Gerakan | Gerakan | 16 | kanan | angka\n")
        .arg(period);
}

namespace {

// Defaults of earlier versions: a file still holding one is put to the new default.

// Until the count of movements had a column of its own (it stood under Perubahan).
QString userMovementsDefinitionBefore()
{
    const QString period = QStringLiteral("m.Tanggal >= :dari AND m.Tanggal < :sampai");
    return QStringLiteral(
               "# Mutasi per pengguna: setiap gerakan stok dan koreksi barang keluar dalam satu\n"
               "# periode, dikelompokkan menurut pengguna yang membuatnya, dengan jumlah gerakan\n"
               "# tiap pengguna. :dari dan :sampai diisi program.\n"
               "judul = MUTASI PER PENGGUNA {dari} s.d. {akhir}\n"
               "data  = SELECT 1 AS Bagian, coalesce(m.Pengguna, '') AS Pengguna, m.Tanggal, "
               "m.No_Mutasi, m.Jenis, m.Kode_Barang, b.Nama_Barang, m.Perubahan, m.No_Keluar, "
               "m.Keterangan FROM tmutasi m LEFT JOIN tbarang b ON b.Kode_Barang = m.Kode_Barang "
               "WHERE %1 UNION ALL SELECT 2, coalesce(m.Pengguna, ''), NULL, NULL, 'Jumlah "
               "gerakan', NULL, NULL, count(*), NULL, NULL FROM tmutasi m WHERE %1 GROUP BY "
               "coalesce(m.Pengguna, '')\n"
               "urut  = Pengguna, Bagian, Tanggal, No_Mutasi\n"
               "kolom = Pengguna | Pengguna | 18 | kiri | teks\n"
               "kolom = Tanggal | Tanggal | 22 | kiri | tanggal\n"
               "kolom = Jenis | Jenis | 26 | kiri | teks\n"
               "kolom = Kode_Barang | Kode | 20 | kiri | teks\n"
               "kolom = Nama_Barang | Nama Barang | 34 | kiri | teks\n"
               "kolom = Perubahan | Perubahan | 20 | kanan | ribuan\n"
               "kolom = No_Keluar | No. Keluar | 16 | kanan | angka\n"
               "kolom = Keterangan | Keterangan | 24 | kiri | teks\n")
        .arg(period);
}

QStringList userMovementsDefinitionsBefore()
{
    return { userMovementsDefinitionBefore() };
}

QStringList lowStockDefinitionBefore()
{
    return {
        QStringLiteral(
            "# Stok di bawah minimum: barang yang stoknya kurang dari stok minimumnya, dan "
            "barang\n"
            "# terdaftar yang belum punya data stok (stoknya 0). Baris yang diawali # adalah "
            "catatan.\n"
            "judul = STOK DI BAWAH MINIMUM\n"
            "data  = SELECT b.Kode_Barang, b.Nama_Barang, b.Satuan, coalesce(s.Jumlah_Stok, 0) "
            "AS "
            "Jumlah_Stok, s.Stok_Minimum, CASE WHEN s.Kode_Barang IS NULL THEN 'belum ada data "
            "stok' "
            "ELSE 'di bawah minimum' END AS Keterangan FROM tbarang b LEFT JOIN tstok s ON "
            "s.Kode_Barang = b.Kode_Barang WHERE s.Kode_Barang IS NULL OR "
            "coalesce(s.Jumlah_Stok, 0) "
            "< s.Stok_Minimum\n"
            "urut  = Kode_Barang\n")
        + lowStockColumns()
    };
}

QStringList stockCardDefinitionsBefore()
{
    const QString before = QStringLiteral("coalesce((SELECT sum(Perubahan) FROM tmutasi WHERE "
                                          "Kode_Barang = :kode AND Waktu < %1), 0)");
    return {
        QStringLiteral(
            "# Kartu stok: setiap gerakan stok satu kode barang dalam satu periode, dengan "
            "saldo\n"
            "# awal, saldo sesudah tiap gerakan dan saldo akhir, dari jurnal tmutasi.\n"
            "# :kode, :dari dan :sampai diisi program.\n"
            "judul = KARTU STOK {kode} {dari} s.d. {akhir}\n"
            "data  = SELECT 0 AS Bagian, NULL AS No_Mutasi, NULL AS Waktu, 'Saldo awal' AS "
            "Jenis, NULL AS Masuk, NULL AS Keluar, %1 AS Saldo, NULL AS No_Keluar, '' AS "
            "Keterangan UNION ALL SELECT 1, m.No_Mutasi, m.Waktu, m.Jenis, CASE WHEN "
            "m.Perubahan > 0 THEN m.Perubahan END, CASE WHEN m.Perubahan < 0 THEN -m.Perubahan "
            "END, %1 + sum(m.Perubahan) OVER (ORDER BY m.No_Mutasi ROWS UNBOUNDED PRECEDING), "
            "m.No_Keluar, m.Keterangan FROM tmutasi m WHERE m.Kode_Barang = :kode AND m.Waktu "
            ">= :dari AND m.Waktu < :sampai UNION ALL SELECT 2, NULL, NULL, 'Saldo akhir', "
            "NULL, NULL, %2, NULL, ''\n"
            "urut  = Bagian, No_Mutasi\n"
            "kolom = Waktu | Tanggal | 22 | kiri | tanggal\n"
            "kolom = Jenis | Jenis | 28 | kiri | teks\n"
            "kolom = Masuk | Masuk | 18 | kanan | ribuan\n"
            "kolom = Keluar | Keluar | 18 | kanan | ribuan\n"
            "kolom = Saldo | Saldo | 20 | kanan | ribuan\n"
            "kolom = No_Keluar | No. Keluar | 20 | kanan | angka\n"
            "kolom = Keterangan | Keterangan | 52 | kiri | teks\n")
            .arg(before.arg(QStringLiteral(":dari")), before.arg(QStringLiteral(":sampai"))),
        stockCardDefinition(false, false), stockCardDefinition(true, false)
    };
}

QString pathOf(const Locations &locations, const char *name)
{
    return reportPath(locations, *findReportKind(QString::fromLatin1(name)));
}

} // namespace

QString defaultStockValueDefinition()
{
    return QStringLiteral(
        "# Nilai persediaan pada akhir satu hari: jumlah, harga pokok rata-rata dan nilai setiap\n"
        "# barang (rata-rata bergerak, rupiah utuh), dan nilainya dengan harga jual bila ada.\n"
        "# Dari saldo harian tsaldo. :tanggal diisi program.\n"
        "judul = NILAI PERSEDIAAN {tanggal}\n"
        "data  = SELECT b.Kode_Barang, b.Nama_Barang, b.Satuan, coalesce(s.Jumlah, 0) AS Jumlah, "
        "CASE WHEN s.Jumlah > 0 THEN s.Nilai / s.Jumlah END AS Rata, coalesce(s.Nilai, 0) AS "
        "Nilai, CASE WHEN s.Jumlah > 0 THEN h.Harga_Jual * s.Jumlah END AS Nilai_Jual FROM "
        "tbarang b LEFT JOIN tsaldo s ON s.Kode_Barang = b.Kode_Barang AND s.Tanggal = (SELECT "
        "x.Tanggal FROM tsaldo x WHERE x.Kode_Barang = b.Kode_Barang AND x.Tanggal <= :tanggal "
        "ORDER BY x.Tanggal DESC LIMIT 1) LEFT JOIN thargajual h ON h.Kode_Barang = b.Kode_Barang\n"
        "urut  = Kode_Barang\n"
        "kolom = Kode_Barang | Kode | 20 | kiri | teks\n"
        "kolom = Nama_Barang | Nama Barang | 40 | kiri | teks\n"
        "kolom = Satuan | Satuan | 14 | kiri | teks\n"
        "kolom = Jumlah | Jumlah | 18 | kanan | ribuan\n"
        "kolom = Rata | Harga pokok | 22 | kanan | ribuan\n"
        "kolom = Nilai | Nilai | 26 | kanan | ribuan\n"
        "kolom = Nilai_Jual | Nilai harga jual | 26 | kanan | ribuan\n"
        "total = Nilai\n"
        "total = Nilai_Jual\n");
}

QString defaultCostOfGoodsDefinition()
{
    return QStringLiteral(
        "# Harga pokok barang keluar (HPP) dalam satu periode: jumlah keluar dan harga pokoknya\n"
        "# per barang, menurut tanggal barang keluar, dari nilai setiap gerakan jurnal.\n"
        "# :dari dan :sampai diisi program.\n"
        "judul = HARGA POKOK BARANG KELUAR {dari} s.d. {akhir}\n"
        "data  = SELECT v.Kode_Barang, b.Nama_Barang, b.Satuan, 0 - sum(v.Jumlah) AS Jumlah, "
        "0 - sum(v.Nilai) AS HPP FROM tnilaimutasi v JOIN tmutasi m ON m.No_Mutasi = "
        "v.No_Mutasi LEFT JOIN tbarang b ON b.Kode_Barang = v.Kode_Barang WHERE m.Jenis = "
        "'barang keluar' AND v.Tanggal >= :dari AND v.Tanggal < :sampai GROUP BY v.Kode_Barang, "
        "b.Nama_Barang, b.Satuan\n"
        "urut  = Kode_Barang\n"
        "kolom = Kode_Barang | Kode | 20 | kiri | teks\n"
        "kolom = Nama_Barang | Nama Barang | 40 | kiri | teks\n"
        "kolom = Satuan | Satuan | 14 | kiri | teks\n"
        "kolom = Jumlah | Jumlah keluar | 22 | kanan | ribuan\n"
        "kolom = HPP | Harga pokok | 26 | kanan | ribuan\n"
        "total = HPP\n");
}

QString defaultPurchasePriceDefinition()
{
    return QStringLiteral(
        "# Riwayat harga beli satu barang: setiap penerimaan dengan pemasok, faktur, jumlah,\n"
        "# harga satuan, harga pokok rata-rata sebelum dan sesudahnya, dan siapa yang\n"
        "# mencatatnya. :kode diisi program.\n"
        "judul = RIWAYAT HARGA BELI {kode}\n"
        "data  = SELECT r.Kode_Barang, t.Tanggal, t.No_Terima, t.Supplier, t.No_Faktur, "
        "r.Jumlah, r.Harga, v.Rata_Awal, v.Rata_Akhir, t.Oleh FROM tterimabrg r JOIN tterima t "
        "ON t.No_Terima = r.No_Terima LEFT JOIN tnilaimutasi v ON v.No_Mutasi = r.No_Mutasi "
        "WHERE r.Kode_Barang = :kode\n"
        "urut  = Tanggal, No_Terima\n"
        "kolom = Kode_Barang | Kode | 16 | kiri | teks\n"
        "kolom = Tanggal | Tanggal | 22 | kiri | tanggal\n"
        "kolom = Supplier | Pemasok | 24 | kiri | teks\n"
        "kolom = No_Faktur | Faktur | 24 | kiri | teks\n"
        "kolom = Jumlah | Jumlah | 16 | kanan | ribuan\n"
        "kolom = Harga | Harga satuan | 20 | kanan | ribuan\n"
        "kolom = Rata_Awal | Rata-rata sebelum | 22 | kanan | ribuan\n"
        "kolom = Rata_Akhir | Rata-rata sesudah | 22 | kanan | ribuan\n"
        "kolom = Oleh | Oleh | 14 | kiri | teks\n");
}

ReportParameters stockValueParameters(const QDate &day)
{
    return { { QStringLiteral("tanggal"), day.toString(QStringLiteral("yyyy-MM-dd 00:00:00")) } };
}

const std::vector<ReportKind> &reportKinds()
{
    using N = ReportKind::Needs;
    static const std::vector<ReportKind> kinds = {
        { "keluar", "keluar3.rpt", defaultGoodsOutDefinition, N::Nothing, "keluar-periode.rpt" },
        { "stok", "stok.rpt", defaultStockDefinition },
        { "minimum", "minimum.rpt", defaultLowStockDefinition, N::Nothing, nullptr,
          lowStockDefinitionBefore },
        { "", "keluar-periode.rpt", defaultPeriodDefinition, N::Period, nullptr,
          periodDefinitionsBefore },
        { "kartu", "kartu.rpt", defaultStockCardDefinition, N::CodeAndPeriod, nullptr,
          stockCardDefinitionsBefore },
        { "pengguna", "mutasi-pengguna.rpt", defaultUserMovementsDefinition, N::Period, nullptr,
          userMovementsDefinitionsBefore },
        { "opname", "opname.rpt", defaultCountDefinition, N::Count },
        { "lembar-opname", "lembar-opname.rpt", defaultCountSheetDefinition, N::Count },
        { "nilai", "nilai.rpt", defaultStockValueDefinition, N::Date },
        { "hpp", "hpp.rpt", defaultCostOfGoodsDefinition, N::Period },
        { "harga-beli", "harga-beli.rpt", defaultPurchasePriceDefinition, N::Code },
    };
    return kinds;
}

const ReportKind *findReportKind(const QString &name)
{
    for (const ReportKind &k : reportKinds()) {
        if ((*k.name && name == QLatin1String(k.name)) || name == QLatin1String(k.file))
            return &k;
    }
    return nullptr;
}

QString reportPath(const Locations &locations, const ReportKind &kind)
{
    return locations.workingFolder() + QLatin1Char('/') + QLatin1String(kind.file);
}

QString stockCardReportPath(const Locations &locations)
{
    return pathOf(locations, "kartu");
}

ReportParameters stockCardParameters(const QString &code, const QDate &first, const QDate &last)
{
    ReportParameters p = periodParameters(first, last);
    p[QStringLiteral("kode")] = code;
    return p;
}

QString lowStockReportPath(const Locations &locations)
{
    return pathOf(locations, "minimum");
}

QString goodsOutReportPath(const Locations &locations)
{
    return pathOf(locations, "keluar");
}

QString stockReportPath(const Locations &locations)
{
    return pathOf(locations, "stok");
}

QString userMovementsReportPath(const Locations &locations)
{
    return pathOf(locations, "pengguna");
}

QString periodReportPath(const Locations &locations)
{
    return pathOf(locations, "keluar-periode.rpt");
}

void writeMissingReportDefinitions(const Locations &locations)
{
    for (const ReportKind &kind : reportKinds()) {
        const QString path = reportPath(locations, kind);
        if (QFileInfo::exists(path)) {
            // A definition as an earlier version wrote it, not edited since: the new default.
            QFile f(path);
            if (!kind.replaces || !f.open(QIODevice::ReadOnly)
                || !kind.replaces().contains(QString::fromUtf8(f.readAll())))
                continue;
        }
        QDir().mkpath(QFileInfo(path).absolutePath()); // with a server, the folder may be new
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Text)
            || f.write(kind.defaultDefinition().toUtf8()) < 0 || !f.commit())
            throw AppError(QStringLiteral("File laporan %1 tidak dapat ditulis.")
                               .arg(QDir::toNativeSeparators(path)));
    }
}

} // namespace gudang
