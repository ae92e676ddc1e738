#include "sheet.h"
#include "core/apperror.h"
#include "core/lazylibrary.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
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

// What a file may take in memory once read: the texts and cells held, the file's own bytes
// while they are decoded. One budget for the whole file, every part of a workbook included,
// so that no file, however it is built, takes more.
const qint64 kBudget = qint64(256) << 20;

// A text file is held three times while it is decoded (its bytes and its text).
const qint64 kMaxCsv = qint64(80) << 20;

class Budget
{
public:
    explicit Budget(const QString &path)
        : m_path(path)
    { }
    void take(qint64 bytes)
    {
        m_left -= bytes;
        if (m_left < 0)
            throw bad(m_path,
                      QStringLiteral("isinya lebih dari %1 MB setelah dibaca; bagi menjadi "
                                     "beberapa file.")
                          .arg(kBudget >> 20));
    }
    void giveBack(qint64 bytes) { m_left += bytes; }

private:
    const QString &m_path;
    qint64 m_left = kBudget;
};

// What a cell costs held: its slot and its own text (a text shared with others costs its slot).
qint64 costOf(const SheetCell &cell, bool ownText)
{
    return qint64(sizeof(SheetCell)) + (ownText ? 2 * cell.text.size() : 0);
}

// ---- CSV -----------------------------------------------------------------------------------

// Splits the text into rows of fields: quoted fields may hold the separator, quotes (doubled)
// and line breaks; lines end with LF, CR LF or CR.
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
                    if (c == QLatin1Char('\n')
                        || (c == QLatin1Char('\r')
                            && (m_at >= m_text.size() || m_text[m_at] != QLatin1Char('\n'))))
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
            } else if (c == QLatin1Char('\r')) {
                // CR LF, or a CR alone (as old Mac programs end lines): one line end.
                if (m_at < m_text.size() && m_text[m_at] == QLatin1Char('\n'))
                    continue;
                ++m_line;
                break;
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
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
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

Sheet readCsv(const QString &path, QByteArray bytes, const ReadProgress &progress)
{
    // UTF-8, with a byte order mark or none; UTF-16 (as some spreadsheets save "Unicode
    // text") when its byte order mark says so.
    Budget budget(path);
    budget.take(3 * bytes.size()); // the bytes and their text, side by side while decoded
    QStringDecoder::Encoding encoding = QStringDecoder::Utf8;
    if (bytes.startsWith(QByteArrayLiteral("\xFF\xFE")))
        encoding = QStringDecoder::Utf16LE;
    else if (bytes.startsWith(QByteArrayLiteral("\xFE\xFF")))
        encoding = QStringDecoder::Utf16BE;
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    QString body = decoder.decode(bytes);
    if (decoder.hasError())
        throw bad(path,
                  encoding == QStringDecoder::Utf8
                      ? QStringLiteral("isinya bukan teks UTF-8; simpan lagi sebagai CSV UTF-8.")
                      : QStringLiteral("teks UTF-16 itu rusak; simpan lagi sebagai CSV UTF-8."));
    budget.giveBack(bytes.size());
    bytes = QByteArray();
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
        budget.take(qint64(sizeof row) + qint64(sizeof(int)));
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
            budget.take(costOf(cell, true));
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

// The most a part of a workbook may unpack to: a sheet larger than that is no list of goods,
// and reading it would only take time.
const qint64 kMaxPart = qint64(512) << 20;

// One part of a workbook read as it is parsed, never held whole; more than kMaxPart unpacked,
// or damaged, ends it as an end of input the caller then tells apart.
class ZipPart : public QIODevice
{
public:
    ZipPart(zip_file_t *file, qint64 size)
        : m_file(file)
        , m_size(size)
    {
        open(QIODevice::ReadOnly);
    }
    ~ZipPart() override { zipLib().fclose(m_file); }
    ZipPart(const ZipPart &) = delete;
    ZipPart &operator=(const ZipPart &) = delete;

    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_ended && QIODevice::bytesAvailable() == 0; }
    qint64 bytesAvailable() const override
    {
        return QIODevice::bytesAvailable() + (m_ended ? 0 : 1 << 16);
    }
    qint64 unpacked() const { return m_size; } // as the archive says, 0 when it does not
    qint64 readSoFar() const { return m_read; }
    bool tooBig() const { return m_tooBig; }
    bool broken() const { return m_broken; }

protected:
    qint64 readData(char *data, qint64 most) override
    {
        if (m_ended)
            return -1;
        if (most <= 0)
            return 0;
        const zip_int64_t got = zipLib().fread(m_file, data, zip_uint64_t(most));
        if (got <= 0) {
            m_broken = got < 0;
            m_ended = true;
            return got < 0 ? -1 : 0;
        }
        m_read += got;
        if (m_read > kMaxPart) {
            m_tooBig = m_ended = true;
            return -1;
        }
        return got;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    zip_file_t *m_file;
    qint64 m_size;
    qint64 m_read = 0;
    bool m_ended = false, m_tooBig = false, m_broken = false;
};

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

    // The part to be parsed as it is read.
    std::unique_ptr<ZipPart> stream(const QString &name) const
    {
        const QByteArray n = name.toUtf8();
        zip_stat_t st;
        zipLib().statInit(&st);
        if (zipLib().stat(m_zip, n.constData(), 0, &st) != 0)
            throw bad(m_path,
                      QStringLiteral("bagian %1 tidak ada; file XLSX itu rusak.").arg(name));
        if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(kMaxPart))
            throw bad(m_path, QStringLiteral("lembarnya lebih dari 512 MB."));
        zip_file_t *f = zipLib().fopen(m_zip, n.constData(), 0);
        if (!f)
            throw bad(m_path,
                      QStringLiteral("bagian %1 tidak terbaca; file XLSX itu rusak.").arg(name));
        return std::make_unique<ZipPart>(f, (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0);
    }

    // After parsing `part` with `reader`: the reason it ended early, if it did.
    void check(const ZipPart &part, const QXmlStreamReader &reader, const QString &what) const
    {
        if (part.tooBig())
            throw bad(m_path, QStringLiteral("lembarnya lebih dari 512 MB."));
        if (part.broken())
            throw bad(m_path, QStringLiteral("%1 rusak.").arg(what));
        if (reader.hasError())
            throw bad(m_path, QStringLiteral("%1 rusak (%2).").arg(what, reader.errorString()));
    }

private:
    const QString &m_path;
    zip_t *m_zip = nullptr;
};

// "B12" to its column (1) and row (12): at most three letters up to XFD, a row from 1 to
// 1,048,576, as a workbook can hold; anything else is not a cell.
bool cellPosition(QStringView ref, int &column, int &row)
{
    column = 0;
    qsizetype i = 0;
    for (; i < ref.size() && i < 4; ++i) {
        const char16_t c = ref[i].unicode();
        const int letter = c >= u'A' && c <= u'Z' ? c - u'A' + 1
            : c >= u'a' && c <= u'z'              ? c - u'a' + 1
                                                  : 0;
        if (letter == 0)
            break;
        column = column * 26 + letter;
    }
    if (i == 0 || column > 16384)
        return false;
    const QStringView digits = ref.mid(i);
    if (digits.isEmpty() || digits.size() > 7)
        return false;
    row = 0;
    for (const QChar d : digits) {
        if (d < QLatin1Char('0') || d > QLatin1Char('9'))
            return false;
        row = row * 10 + (d.unicode() - u'0');
    }
    --column;
    return row >= 1 && row <= 1048576;
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
    Budget budget(path);
    // The sheets by name and their parts.
    QStringList names, ids;
    {
        const auto part = book.stream(QStringLiteral("xl/workbook.xml"));
        QXmlStreamReader wb(part.get());
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
                budget.take(2 * (names.last().size() + id.size()) + 64);
            }
        }
        book.check(*part, wb, QStringLiteral("daftar lembarnya"));
    }
    if (names.isEmpty())
        throw bad(path, QStringLiteral("buku kerja itu tidak punya lembar."));
    qsizetype chosen = 0;
    if (!sheetName.isEmpty()) {
        chosen = names.indexOf(sheetName);
        if (chosen < 0)
            throw bad(path,
                      QStringLiteral("lembar \"%1\" tidak ada (ada: %2).")
                          .arg(sheetName, names.join(QStringLiteral(", ")).left(300)));
    }
    QString target = QStringLiteral("xl/worksheets/sheet%1.xml").arg(chosen + 1);
    if (chosen < ids.size() && book.has("xl/_rels/workbook.xml.rels")) {
        const auto part = book.stream(QStringLiteral("xl/_rels/workbook.xml.rels"));
        QXmlStreamReader rels(part.get());
        while (!rels.atEnd()) {
            rels.readNext();
            if (rels.isStartElement() && rels.name() == QLatin1String("Relationship")
                && rels.attributes().value(QLatin1String("Id")) == ids[chosen])
                target
                    = resolvedTarget(rels.attributes().value(QLatin1String("Target")).toString());
        }
        book.check(*part, rels, QStringLiteral("daftar bagiannya"));
    }
    // The texts the cells name by number.
    QStringList shared;
    if (book.has("xl/sharedStrings.xml")) {
        const auto part = book.stream(QStringLiteral("xl/sharedStrings.xml"));
        QXmlStreamReader ss(part.get());
        QString current;
        bool inItem = false;
        while (!ss.atEnd()) {
            ss.readNext();
            if (ss.isStartElement() && ss.name() == QLatin1String("si")) {
                inItem = true;
                current.clear();
            } else if (ss.isStartElement() && ss.name() == QLatin1String("t") && inItem) {
                current += ss.readElementText();
                budget.take(2 * current.size());
            } else if (ss.isEndElement() && ss.name() == QLatin1String("si")) {
                budget.take(qint64(sizeof(QString)) + 32);
                shared << current;
                current.squeeze();
                inItem = false;
            }
        }
        book.check(*part, ss, QStringLiteral("daftar teksnya"));
    }
    const auto part = book.stream(target);
    QXmlStreamReader r(part.get());
    Sheet sheet;
    sheet.format = QStringLiteral("XLSX (lembar %1)").arg(names[chosen]);
    std::vector<SheetCell> row;
    int rowNumber = 0;
    bool first = true;
    // Cells right of the last heading are not read: a reference to a far column would widen
    // every row.
    int width = 16384;
    const auto finishRow = [&] {
        bool empty = true;
        for (const SheetCell &c : row)
            empty = empty && c.kind == SheetCell::Empty;
        if (first) {
            for (const SheetCell &c : row)
                sheet.headers << (c.kind == SheetCell::Number ? c.text : c.text.trimmed());
            while (!sheet.headers.isEmpty() && sheet.headers.last().isEmpty())
                sheet.headers.removeLast();
            width = int(sheet.headers.size());
            budget.take(qint64(sheet.headers.join(QString()).size()) * 2);
            first = false;
        } else if (!empty) {
            if (int(sheet.rows.size()) >= kMaxSheetRows)
                throw bad(path, QStringLiteral("lebih dari %1 baris.").arg(kMaxSheetRows));
            budget.take(qint64(sizeof row) + qint64(sizeof(int)));
            row.shrink_to_fit();
            sheet.rows.push_back(std::move(row));
            sheet.lines.push_back(rowNumber);
        }
        row.clear();
    };
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == QLatin1String("row")) {
            bool ok = false;
            rowNumber = r.attributes().value(QLatin1String("r")).toInt(&ok);
            if (!ok)
                rowNumber = sheet.lines.empty() ? 1 : sheet.lines.back() + 1;
            row.clear();
        } else if (r.isEndElement() && r.name() == QLatin1String("row")) {
            finishRow();
            if (progress && sheet.rows.size() % 4096 == 0
                && !progress(part->readSoFar(), std::max(part->unpacked(), part->readSoFar())))
                throw AppError(QStringLiteral("Pembacaan dibatalkan."), AppError::Kind::Cancelled);
        } else if (r.isStartElement() && r.name() == QLatin1String("c")) {
            const QString ref = r.attributes().value(QLatin1String("r")).toString();
            const QString type = r.attributes().value(QLatin1String("t")).toString();
            int column = int(row.size()), at = rowNumber;
            if (!ref.isEmpty() && !cellPosition(ref, column, at))
                throw bad(path, QStringLiteral("sel \"%1\" tidak terbaca.").arg(ref.left(20)));
            if (column >= 16384)
                throw bad(path, QStringLiteral("baris %1 lebih dari 16384 sel.").arg(rowNumber));
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
                if (value.size() + inlineText.size() > kMaxLine)
                    throw bad(path, QStringLiteral("sel %1 lebih dari 1 MB.").arg(ref));
            }
            const QString where
                = ref.isEmpty() ? QStringLiteral("di baris %1").arg(rowNumber) : ref;
            if (formula)
                throw bad(path,
                          QStringLiteral("sel %1 berisi rumus. Salin lembarnya sebagai "
                                         "nilai saja (Tempel Khusus > Nilai), simpan, lalu "
                                         "impor lagi.")
                              .arg(where));
            if (!first && column >= width) {
                sheet.beyondHeadings = true; // said once by the preview
                continue;
            }
            SheetCell cell;
            bool ownText = true;
            if (type == QLatin1String("s")) {
                bool ok = false;
                const int i = value.toInt(&ok);
                if (!ok || i < 0 || i >= shared.size())
                    throw bad(path,
                              QStringLiteral("sel %1 menunjuk teks yang tidak ada.").arg(where));
                cell.kind = SheetCell::Text;
                cell.text = shared[i];
                ownText = false;
            } else if (type == QLatin1String("inlineStr") || type == QLatin1String("str")) {
                cell.kind = SheetCell::Text;
                cell.text = type == QLatin1String("str") ? value : inlineText;
            } else if (type == QLatin1String("e")) {
                throw bad(path,
                          QStringLiteral("sel %1 berisi galat %2.").arg(where, value.left(20)));
            } else if (!value.isEmpty()) {
                bool ok = false;
                cell.number = value.toDouble(&ok);
                if (!ok || !std::isfinite(cell.number))
                    throw bad(path,
                              QStringLiteral("sel %1 bukan angka yang terbaca: \"%2\".")
                                  .arg(where, value.left(20)));
                cell.kind = SheetCell::Number;
                cell.text = value;
            }
            if (cell.kind == SheetCell::Text && cell.text.isEmpty())
                cell.kind = SheetCell::Empty;
            if (column >= int(row.size())) {
                budget.take(qint64(sizeof(SheetCell)) * (column + 1 - qint64(row.size())));
                row.resize(size_t(column) + 1);
            }
            budget.take(costOf(cell, ownText) - qint64(sizeof(SheetCell)));
            row[size_t(column)] = std::move(cell);
        }
    }
    book.check(*part, r, QStringLiteral("lembarnya"));
    if (sheet.headers.isEmpty())
        throw bad(path, QStringLiteral("lembar %1 kosong.").arg(names[chosen]));
    return sheet;
}

} // namespace

Sheet readSheet(const QString &path, const QString &sheetName, const ReadProgress &progress)
{
    // Opened without waiting (a FIFO would wait for a writer), then only a regular file is read:
    // a FIFO, a device or a folder never ends or is no list.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw AppError(QStringLiteral("File %1 tidak dapat dibuka: %2.")
                           .arg(shown(path), QString::fromLocal8Bit(std::strerror(errno))),
                       AppError::Kind::CannotOpen);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        throw bad(path,
                  folder ? QStringLiteral("itu sebuah folder, bukan file.")
                         : QStringLiteral("itu bukan file biasa (pipa atau perangkat)."));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw AppError(
            QStringLiteral("File %1 tidak dapat dibuka: %2.").arg(shown(path), file.errorString()),
            AppError::Kind::CannotOpen);
    }
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
    if (file.size() > kMaxCsv)
        throw bad(path,
                  QStringLiteral("file CSV itu lebih dari %1 MB; bagi menjadi beberapa file.")
                      .arg(kMaxCsv >> 20));
    // The first bytes tell text from anything else before the whole file is read.
    const bool utf16 = head.startsWith(QByteArrayLiteral("\xFF\xFE"))
        || head.startsWith(QByteArrayLiteral("\xFE\xFF"));
    if (!utf16) {
        const QByteArray start = file.peek(1 << 16);
        if (start.contains('\0')) {
            // Every other byte zero: UTF-16 saved without its byte order mark.
            int zeros = 0;
            for (qsizetype i = 0; i + 1 < start.size(); i += 2)
                zeros += (start[i] == 0) != (start[i + 1] == 0);
            throw bad(path,
                      zeros * 2 >= start.size() / 2
                          ? QStringLiteral("isinya teks UTF-16 tanpa penanda urutan byte; "
                                           "simpan sebagai CSV UTF-8.")
                          : QStringLiteral("isinya bukan teks; file itu bukan CSV atau XLSX."));
        }
    }
    return readCsv(path, file.readAll(), progress);
}

} // namespace gudang
