#include "sheet.h"
#include "core/apperror.h"
#include "core/lazylibrary.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <zip.h>

namespace gudang {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

AppError bad(const QString &path, const QString &why)
{
    return AppError(QStringLiteral("File %1 tidak dapat diimpor: %2 Tidak ada yang disimpan.")
                        .arg(shown(path), why),
                    AppError::Kind::Refused);
}

const qint64 kMaxLine = 1 << 20;

// ---- CSV -----------------------------------------------------------------------------------

// Splits the text into rows of fields: quoted fields may hold the separator, quotes (doubled)
// and line breaks; lines end with LF or CR LF.
class CsvParser
{
public:
    CsvParser(const QString &path, const QString &text, QChar separator)
        : m_path(path)
        , m_text(text)
        , m_sep(separator)
    { }

    // The next row; false at the end.
    bool next(QStringList &fields, int &line)
    {
        fields.clear();
        if (m_at >= m_text.size())
            return false;
        line = m_line;
        QString field;
        bool quoted = false, wasQuoted = false;
        const qsizetype start = m_at;
        while (m_at < m_text.size()) {
            const QChar c = m_text[m_at++];
            if (m_at - start > kMaxLine)
                throw bad(m_path,
                          QStringLiteral("baris %1 lebih dari 1 MB; file itu bukan "
                                         "daftar barang atau stok.")
                              .arg(line));
            if (quoted) {
                if (c == QLatin1Char('"')) {
                    if (m_at < m_text.size() && m_text[m_at] == QLatin1Char('"')) {
                        field += c;
                        ++m_at;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == QLatin1Char('\n'))
                        ++m_line;
                    field += c;
                }
            } else if (c == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
                quoted = wasQuoted = true;
            } else if (c == m_sep) {
                fields << field;
                field.clear();
                wasQuoted = false;
            } else if (c == QLatin1Char('\n')) {
                ++m_line;
                break;
            } else if (c == QLatin1Char('\r')
                       && (m_at >= m_text.size() || m_text[m_at] == QLatin1Char('\n'))) {
                continue;
            } else {
                field += c;
            }
        }
        if (quoted)
            throw bad(m_path, QStringLiteral("tanda petik di baris %1 tidak ditutup.").arg(line));
        fields << field;
        return true;
    }

    qsizetype position() const { return m_at; }

private:
    const QString &m_path;
    const QString &m_text;
    const QChar m_sep;
    qsizetype m_at = 0;
    int m_line = 1;
};

// The separator of the heading line: the one of ";" and "," it holds more of outside quotes.
QChar separatorOf(const QString &text)
{
    int semicolons = 0, commas = 0, tabs = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('\n'))
            break;
        else if (c == QLatin1Char(';'))
            ++semicolons;
        else if (c == QLatin1Char(','))
            ++commas;
        else if (c == QLatin1Char('\t'))
            ++tabs;
    }
    if (tabs > semicolons && tabs > commas)
        return QLatin1Char('\t');
    return semicolons >= commas && semicolons > 0 ? QLatin1Char(';') : QLatin1Char(',');
}

Sheet readCsv(const QString &path, const QByteArray &bytes, const ReadProgress &progress)
{
    // UTF-8, with a byte order mark or none (that it is text at all is told by its first bytes,
    // before it is read whole).
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        throw bad(path,
                  QStringLiteral("isinya bukan teks UTF-8; simpan lagi sebagai CSV "
                                 "UTF-8."));
    QString body = text;
    if (body.startsWith(QChar(0xFEFF)))
        body.remove(0, 1);
    if (body.trimmed().isEmpty())
        throw bad(path, QStringLiteral("file itu kosong."));
    Sheet sheet;
    const QChar sep = separatorOf(body);
    sheet.decimalComma = sep == QLatin1Char(';');
    sheet.format = sep == QLatin1Char(';') ? QStringLiteral("CSV (pemisah ;, koma desimal)")
        : sep == QLatin1Char('\t')         ? QStringLiteral("CSV (pemisah tab, titik desimal)")
                                           : QStringLiteral("CSV (pemisah ,, titik desimal)");
    CsvParser parser(path, body, sep);
    QStringList fields;
    int line = 0;
    parser.next(fields, line);
    for (QString &h : fields)
        h = h.trimmed();
    sheet.headers = fields;
    while (parser.next(fields, line)) {
        if (fields.size() == 1 && fields.first().trimmed().isEmpty())
            continue; // an empty line
        if (int(sheet.rows.size()) >= kMaxSheetRows)
            throw bad(path, QStringLiteral("lebih dari %1 baris.").arg(kMaxSheetRows));
        std::vector<SheetCell> row;
        row.reserve(size_t(fields.size()));
        for (const QString &f : std::as_const(fields)) {
            SheetCell cell;
            if (!f.isEmpty()) {
                cell.kind = SheetCell::Text;
                cell.text = f;
                // A text a spreadsheet would run as a formula is written led by an apostrophe
                // (as our export writes it): the text is what follows.
                if (f.size() > 1 && f[0] == QLatin1Char('\'')
                    && QStringLiteral("=+-@\t\r").contains(f[1]))
                    cell.text = f.mid(1);
            }
            row.push_back(std::move(cell));
        }
        sheet.rows.push_back(std::move(row));
        sheet.lines.push_back(line);
        if (progress && sheet.rows.size() % 4096 == 0 && !progress(parser.position(), body.size()))
            throw AppError(QStringLiteral("Pembacaan dibatalkan."), AppError::Kind::Cancelled);
    }
    return sheet;
}

// ---- XLSX ----------------------------------------------------------------------------------

struct Zip
{
    decltype(&::zip_open) open = nullptr;
    decltype(&::zip_discard) discard = nullptr;
    decltype(&::zip_fopen) fopen = nullptr;
    decltype(&::zip_fread) fread = nullptr;
    decltype(&::zip_fclose) fclose = nullptr;
    decltype(&::zip_stat) stat = nullptr;
    decltype(&::zip_stat_init) statInit = nullptr;
};

// libzip, loaded when a workbook is first read: a start does not pay for it.
const Zip &zipLib()
{
    static Zip f;
    static LazyLibrary library("libzip.so.4",
                               QStringLiteral("Pustaka libzip (libzip.so.4) untuk membaca XLSX "
                                              "tidak dapat dimuat: %1.\nPasang paket libzip4."));
    library.load([](const LazyLibrary::Resolve &resolve) {
        f.open = reinterpret_cast<decltype(f.open)>(resolve("zip_open"));
        f.discard = reinterpret_cast<decltype(f.discard)>(resolve("zip_discard"));
        f.fopen = reinterpret_cast<decltype(f.fopen)>(resolve("zip_fopen"));
        f.fread = reinterpret_cast<decltype(f.fread)>(resolve("zip_fread"));
        f.fclose = reinterpret_cast<decltype(f.fclose)>(resolve("zip_fclose"));
        f.stat = reinterpret_cast<decltype(f.stat)>(resolve("zip_stat"));
        f.statInit = reinterpret_cast<decltype(f.statInit)>(resolve("zip_stat_init"));
    });
    return f;
}

const qint64 kMaxPart = qint64(512) << 20;

class Workbook
{
public:
    explicit Workbook(const QString &path)
        : m_path(path)
    {
        int error = 0;
        m_zip = zipLib().open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
        if (!m_zip)
            throw bad(path, QStringLiteral("file XLSX itu rusak (arsipnya tidak terbaca)."));
    }
    ~Workbook()
    {
        if (m_zip)
            zipLib().discard(m_zip);
    }
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    bool has(const char *name) const
    {
        zip_stat_t st;
        zipLib().statInit(&st);
        return zipLib().stat(m_zip, name, 0, &st) == 0;
    }

    QByteArray part(const QString &name) const
    {
        const QByteArray n = name.toUtf8();
        zip_stat_t st;
        zipLib().statInit(&st);
        if (zipLib().stat(m_zip, n.constData(), 0, &st) != 0)
            throw bad(m_path,
                      QStringLiteral("bagian %1 tidak ada; file XLSX itu rusak.").arg(name));
        if ((st.valid & ZIP_STAT_SIZE) && qint64(st.size) > kMaxPart)
            throw bad(m_path, QStringLiteral("lembarnya lebih dari 512 MB."));
        zip_file_t *f = zipLib().fopen(m_zip, n.constData(), 0);
        if (!f)
            throw bad(m_path,
                      QStringLiteral("bagian %1 tidak terbaca; file XLSX itu rusak.").arg(name));
        QByteArray out;
        char buffer[1 << 16];
        for (;;) {
            const zip_int64_t got = zipLib().fread(f, buffer, sizeof buffer);
            if (got < 0) {
                zipLib().fclose(f);
                throw bad(m_path, QStringLiteral("bagian %1 rusak.").arg(name));
            }
            if (got == 0)
                break;
            out.append(buffer, qsizetype(got));
            if (out.size() > kMaxPart) {
                zipLib().fclose(f);
                throw bad(m_path, QStringLiteral("lembarnya lebih dari 512 MB."));
            }
        }
        zipLib().fclose(f);
        return out;
    }

private:
    const QString &m_path;
    zip_t *m_zip = nullptr;
};

// "B12" to its column (1) and row (12).
bool cellPosition(QStringView ref, int &column, int &row)
{
    column = 0;
    qsizetype i = 0;
    while (i < ref.size() && ref[i].isLetter()) {
        column = column * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        ++i;
    }
    bool ok = false;
    row = ref.mid(i).toInt(&ok);
    --column;
    return ok && column >= 0 && column < 16384;
}

QString resolvedTarget(const QString &target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    QString t = target;
    while (t.startsWith(QLatin1String("../")))
        t = t.mid(3);
    return t.startsWith(QLatin1String("xl/")) ? t : QStringLiteral("xl/") + t;
}

Sheet readXlsx(const QString &path, const QString &sheetName, const ReadProgress &progress)
{
    Workbook book(path);
    if (!book.has("xl/workbook.xml"))
        throw bad(path, QStringLiteral("isinya bukan buku kerja Excel (XLSX)."));
    // The sheets by name and their parts.
    QXmlStreamReader wb(book.part(QStringLiteral("xl/workbook.xml")));
    QStringList names, ids;
    while (!wb.atEnd()) {
        wb.readNext();
        if (wb.isStartElement() && wb.name() == QLatin1String("sheet")) {
            names << wb.attributes().value(QLatin1String("name")).toString();
            QString id;
            for (const QXmlStreamAttribute &a : wb.attributes()) {
                if (a.name() == QLatin1String("id"))
                    id = a.value().toString();
            }
            ids << id;
        }
    }
    if (names.isEmpty())
        throw bad(path, QStringLiteral("buku kerja itu tidak punya lembar."));
    qsizetype chosen = 0;
    if (!sheetName.isEmpty()) {
        chosen = names.indexOf(sheetName);
        if (chosen < 0)
            throw bad(path,
                      QStringLiteral("lembar \"%1\" tidak ada (ada: %2).")
                          .arg(sheetName, names.join(QStringLiteral(", "))));
    }
    QString target = QStringLiteral("xl/worksheets/sheet%1.xml").arg(chosen + 1);
    if (chosen < ids.size() && book.has("xl/_rels/workbook.xml.rels")) {
        QXmlStreamReader rels(book.part(QStringLiteral("xl/_rels/workbook.xml.rels")));
        while (!rels.atEnd()) {
            rels.readNext();
            if (rels.isStartElement() && rels.name() == QLatin1String("Relationship")
                && rels.attributes().value(QLatin1String("Id")) == ids[chosen])
                target
                    = resolvedTarget(rels.attributes().value(QLatin1String("Target")).toString());
        }
    }
    // The texts the cells name by number.
    QStringList shared;
    if (book.has("xl/sharedStrings.xml")) {
        QXmlStreamReader ss(book.part(QStringLiteral("xl/sharedStrings.xml")));
        QString current;
        bool inItem = false;
        while (!ss.atEnd()) {
            ss.readNext();
            if (ss.isStartElement() && ss.name() == QLatin1String("si")) {
                inItem = true;
                current.clear();
            } else if (ss.isStartElement() && ss.name() == QLatin1String("t") && inItem) {
                current += ss.readElementText();
            } else if (ss.isEndElement() && ss.name() == QLatin1String("si")) {
                shared << current;
                inItem = false;
            }
        }
        if (ss.hasError())
            throw bad(path, QStringLiteral("daftar teksnya rusak (%1).").arg(ss.errorString()));
    }
    const QByteArray xml = book.part(target);
    QXmlStreamReader r(xml);
    Sheet sheet;
    sheet.format = QStringLiteral("XLSX (lembar %1)").arg(names[chosen]);
    std::vector<SheetCell> row;
    int rowNumber = 0;
    bool first = true;
    const auto finishRow = [&] {
        bool empty = true;
        for (const SheetCell &c : row)
            empty = empty && c.kind == SheetCell::Empty;
        if (first) {
            for (const SheetCell &c : row)
                sheet.headers << (c.kind == SheetCell::Number ? QString::number(c.number)
                                                              : c.text.trimmed());
            first = false;
        } else if (!empty) {
            if (int(sheet.rows.size()) >= kMaxSheetRows)
                throw bad(path, QStringLiteral("lebih dari %1 baris.").arg(kMaxSheetRows));
            sheet.rows.push_back(row);
            sheet.lines.push_back(rowNumber);
        }
        row.clear();
    };
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == QLatin1String("row")) {
            rowNumber = r.attributes().value(QLatin1String("r")).toInt();
            row.clear();
        } else if (r.isEndElement() && r.name() == QLatin1String("row")) {
            finishRow();
            if (progress && sheet.rows.size() % 4096 == 0
                && !progress(r.characterOffset(), xml.size()))
                throw AppError(QStringLiteral("Pembacaan dibatalkan."), AppError::Kind::Cancelled);
        } else if (r.isStartElement() && r.name() == QLatin1String("c")) {
            const QString ref = r.attributes().value(QLatin1String("r")).toString();
            const QString type = r.attributes().value(QLatin1String("t")).toString();
            int column = int(row.size()), at = rowNumber;
            if (!ref.isEmpty() && !cellPosition(ref, column, at))
                throw bad(path, QStringLiteral("sel \"%1\" tidak terbaca.").arg(ref));
            QString value, inlineText;
            bool formula = false;
            while (!(r.isEndElement() && r.name() == QLatin1String("c")) && !r.atEnd()) {
                r.readNext();
                if (r.isStartElement() && r.name() == QLatin1String("f"))
                    formula = true;
                else if (r.isStartElement() && r.name() == QLatin1String("v"))
                    value = r.readElementText();
                else if (r.isStartElement() && r.name() == QLatin1String("t"))
                    inlineText += r.readElementText();
            }
            if (formula)
                throw bad(path,
                          QStringLiteral("sel %1 berisi rumus. Salin lembarnya sebagai "
                                         "nilai saja (Tempel Khusus > Nilai), simpan, lalu "
                                         "impor lagi.")
                              .arg(ref));
            SheetCell cell;
            if (type == QLatin1String("s")) {
                bool ok = false;
                const int i = value.toInt(&ok);
                if (!ok || i < 0 || i >= shared.size())
                    throw bad(path,
                              QStringLiteral("sel %1 menunjuk teks yang tidak ada.").arg(ref));
                cell.kind = SheetCell::Text;
                cell.text = shared[i];
            } else if (type == QLatin1String("inlineStr") || type == QLatin1String("str")) {
                cell.kind = SheetCell::Text;
                cell.text = type == QLatin1String("str") ? value : inlineText;
            } else if (type == QLatin1String("e")) {
                throw bad(path, QStringLiteral("sel %1 berisi galat %2.").arg(ref, value));
            } else if (!value.isEmpty()) {
                bool ok = false;
                cell.number = value.toDouble(&ok);
                if (!ok)
                    throw bad(path, QStringLiteral("sel %1 tidak terbaca.").arg(ref));
                cell.kind = SheetCell::Number;
                cell.text = value;
            }
            if (cell.kind == SheetCell::Text && cell.text.isEmpty())
                cell.kind = SheetCell::Empty;
            if (column >= int(row.size()))
                row.resize(size_t(column) + 1);
            row[size_t(column)] = std::move(cell);
        }
    }
    if (r.hasError())
        throw bad(path, QStringLiteral("lembarnya rusak (%1).").arg(r.errorString()));
    if (sheet.headers.isEmpty())
        throw bad(path, QStringLiteral("lembar %1 kosong.").arg(names[chosen]));
    return sheet;
}

} // namespace

Sheet readSheet(const QString &path, const QString &sheetName, const ReadProgress &progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("File %1 tidak dapat dibuka: %2.").arg(shown(path), file.errorString()),
            AppError::Kind::CannotOpen);
    const QByteArray head = file.peek(8);
    if (head.isEmpty())
        throw bad(path, QStringLiteral("file itu kosong."));
    if (head.startsWith(QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))) {
        // A compound file: a workbook locked with a password, or an old .xls.
        const QByteArray all = file.read(1 << 20);
        const QByteArray encrypted
            = QByteArrayLiteral("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0");
        throw bad(path,
                  all.contains(encrypted)
                      ? QStringLiteral("buku kerja itu dilindungi password. Buka di Excel atau "
                                       "LibreOffice, simpan tanpa password, lalu impor lagi.")
                      : QStringLiteral("itu buku kerja Excel lama (.xls). Simpan sebagai .xlsx "
                                       "atau CSV, lalu impor lagi."));
    }
    if (head.startsWith(QByteArrayLiteral("PK\x03\x04")) || head.startsWith("PK\x05\x06")) {
        file.close();
        return readXlsx(path, sheetName, progress);
    }
    if (file.size() > (qint64(1) << 30) / 2)
        throw bad(path, QStringLiteral("file CSV itu lebih dari 512 MB."));
    // The first bytes tell text from anything else before the whole file is read.
    if (file.peek(1 << 16).contains('\0'))
        throw bad(path, QStringLiteral("isinya bukan teks; file itu bukan CSV atau XLSX."));
    const QByteArray bytes = file.readAll();
    return readCsv(path, bytes, progress);
}

} // namespace gudang
