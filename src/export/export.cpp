#include "export.h"
#include "core/apperror.h"
#include "core/lazylibrary.h"
#include "core/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <optional>
#include <xlsxwriter.h>

namespace gudang {

namespace {

QString csvField(const Value &v)
{
    if (v.isNull())
        return QString();
    if (v.isNumber()) {
        QString n = numberToText(v.toNumber());
        n.replace(QLatin1Char('.'), QLatin1Char(','));
        return n;
    }
    if (v.isDate())
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    QString text = v.toText();
    // A text a spreadsheet would take for a formula ("=1+2", "+62812345", "-5 diskon",
    // "@SUM(...)", or led by a tab or a carriage return) is shown as text: the usual
    // apostrophe in front, which the spreadsheet does not show.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"'))
        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
        text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        text = QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

// The functions of libxlsxwriter the program uses, loaded when a spreadsheet is first saved.
#define GUDANG_XLSX_FUNCTIONS(X)                                                                   \
    X(workbook_new)                                                                                \
    X(workbook_add_worksheet)                                                                      \
    X(workbook_add_format)                                                                         \
    X(workbook_close)                                                                              \
    X(format_set_bold)                                                                             \
    X(format_set_num_format)                                                                       \
    X(worksheet_write_string)                                                                      \
    X(worksheet_write_number)                                                                      \
    X(worksheet_write_datetime)                                                                    \
    X(worksheet_set_column)                                                                        \
    X(lxw_strerror)

struct Xlsx
{
#define GUDANG_XLSX_MEMBER(name) decltype(&::name) name = nullptr;
    GUDANG_XLSX_FUNCTIONS(GUDANG_XLSX_MEMBER)
#undef GUDANG_XLSX_MEMBER
};

const Xlsx &xlsx()
{
    static Xlsx functions;
    static LazyLibrary library("libxlsxwriter.so.4",
                               QStringLiteral("Pustaka libxlsxwriter untuk file Excel tidak dapat "
                                              "dimuat: %1.\nPasang paket libxlsxwriter4."));
    library.load([](const LazyLibrary::Resolve &resolve) {
#define GUDANG_XLSX_LOAD(name) functions.name = reinterpret_cast<decltype(&::name)>(resolve(#name));
        GUDANG_XLSX_FUNCTIONS(GUDANG_XLSX_LOAD)
#undef GUDANG_XLSX_LOAD
    });
    return functions;
}

void writeCsv(const ExportTable &table, SaveFile &file)
{
    QByteArray out("\xEF\xBB\xBF");
    QStringList head;
    for (const ExportTable::Column &c : table.columns)
        head << csvField(Value(c.heading));
    out += head.join(QLatin1Char(';')).toUtf8() + "\r\n";
    std::optional<AppError> failed;
    table.rows([&](const std::vector<Value> &row) {
        QStringList fields;
        for (size_t c = 0; c < table.columns.size(); ++c)
            fields << csvField(row[c]);
        out += fields.join(QLatin1Char(';')).toUtf8() + "\r\n";
        if (out.size() > (1 << 20) && !failed) {
            try {
                file.write(out);
            } catch (const AppError &e) {
                failed = e;
            }
            out.clear();
        }
    });
    if (failed)
        throw *failed;
    file.write(out);
}

void writeXlsx(const ExportTable &table, const QString &path)
{
    const Xlsx &x = xlsx();
    lxw_workbook *book = x.workbook_new(QFile::encodeName(path).constData());
    if (!book)
        throw AppError(
            QStringLiteral("File %1 tidak dapat ditulis.").arg(QDir::toNativeSeparators(path)));
    lxw_worksheet *sheet
        = x.workbook_add_worksheet(book, sheetName(table.title).toUtf8().constData());
    lxw_format *bold = x.workbook_add_format(book);
    x.format_set_bold(bold);
    lxw_format *date = x.workbook_add_format(book);
    x.format_set_num_format(date, "dd/mm/yyyy");
    for (size_t c = 0; c < table.columns.size(); ++c) {
        x.worksheet_write_string(sheet, 0, lxw_col_t(c),
                                 table.columns[c].heading.toUtf8().constData(), bold);
        x.worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c),
                               table.columns[c].kind == ExportTable::Kind::Text ? 22 : 14, nullptr);
    }
    lxw_row_t r = 1;
    lxw_error error = LXW_NO_ERROR;
    table.rows([&](const std::vector<Value> &row) {
        for (size_t c = 0; c < table.columns.size() && error == LXW_NO_ERROR; ++c) {
            const Value &v = row[c];
            if (v.isNull())
                continue;
            if (v.isNumber()) {
                error = x.worksheet_write_number(sheet, r, lxw_col_t(c), v.toNumber(), nullptr);
            } else if (v.isDate()) {
                const QDateTime d = v.toDate();
                lxw_datetime when { d.date().year(), d.date().month(),  d.date().day(),
                                    d.time().hour(), d.time().minute(), double(d.time().second()) };
                error = x.worksheet_write_datetime(sheet, r, lxw_col_t(c), &when, date);
            } else {
                error = x.worksheet_write_string(sheet, r, lxw_col_t(c),
                                                 v.toText().toUtf8().constData(), nullptr);
            }
        }
        ++r;
    });
    const lxw_error closed = x.workbook_close(book);
    if (error == LXW_NO_ERROR)
        error = closed;
    if (error != LXW_NO_ERROR)
        throw AppError(
            QStringLiteral("File %1 tidak dapat ditulis: %2.")
                .arg(QDir::toNativeSeparators(path), QString::fromUtf8(x.lxw_strerror(error))));
}

// The title's dates as yyyy-MM-dd and "s.d." as "sd".
QString plainTitle(const QString &title)
{
    QString t = title;
    static const QRegularExpression date(QStringLiteral("\\b(\\d{2})/(\\d{2})/(\\d{4})\\b"));
    t.replace(date, QStringLiteral("\\3-\\2-\\1"));
    t.replace(QStringLiteral(" s.d. "), QStringLiteral(" sd "));
    return t.simplified();
}

} // namespace

QString suggestedFileName(const QString &title, const QString &suffix)
{
    QString name = plainTitle(title);
    static const QRegularExpression notInNames(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    name.replace(notInNames, QStringLiteral(" "));
    name = name.simplified();
    if (name.isEmpty())
        name = QStringLiteral("Data");
    return name + QLatin1Char('.') + suffix;
}

QString sheetName(const QString &title)
{
    QString t = plainTitle(title);
    static const QRegularExpression notInSheets(QStringLiteral("[\\[\\]:*?/\\\\]"));
    t.replace(notInSheets, QStringLiteral(" "));
    QStringList words = t.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    static const QRegularExpression date(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    auto length = [&] {
        return words.join(QLatin1Char(' ')).size();
    };
    // Words before the first date, from the front: what the sheet holds stays at its end.
    while (length() > 31) {
        const auto first = std::find_if(words.begin(), words.end(), [&](const QString &w) {
            return !date.match(w).hasMatch();
        });
        if (first == words.end() || words.size() == 1)
            break;
        words.erase(first);
    }
    QString name = words.join(QLatin1Char(' '));
    if (name.size() > 31)
        name = name.left(31).trimmed();
    return name.isEmpty() ? QStringLiteral("Data") : name;
}

void writeSpreadsheet(const ExportTable &table, const QString &path, QString format)
{
    const QString suffix = format.isEmpty() ? QFileInfo(path).suffix().toLower() : format;
    if (suffix != QLatin1String("csv") && suffix != QLatin1String("xlsx"))
        throw AppError(QStringLiteral("File %1: akhiran nama file harus .csv atau .xlsx.")
                           .arg(QDir::toNativeSeparators(path)));
    SaveFile file(path);
    if (suffix == QLatin1String("csv")) {
        writeCsv(table, file);
    } else {
        // libxlsxwriter writes a file by its name: in a folder of the program's own first,
        // then into the part file.
        QTemporaryDir own(QDir::tempPath() + QStringLiteral("/gudang-xlsx-XXXXXX"));
        if (!own.isValid())
            throw AppError(QStringLiteral("File %1 tidak dapat ditulis: folder sementara tidak "
                                          "dapat dibuat.")
                               .arg(QDir::toNativeSeparators(path)));
        const QString made = own.filePath(QStringLiteral("data.xlsx"));
        writeXlsx(table, made);
        QFile in(made);
        if (!in.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral("File %1 tidak dapat ditulis: %2.")
                               .arg(QDir::toNativeSeparators(path), in.errorString()));
        while (!in.atEnd())
            file.write(in.read(1 << 20));
    }
    file.commit();
}

} // namespace gudang
