// A workstation for the concurrency test: posts on the goods-out screen against a server.
//   post_child CONNINFO DIR N SEED [CODES]   N postings of random codes (K1,K2,K3,K4 unless
//                                            given) and quantities 1..5, answering "Ya" to
//                                            every question; prints "posted P short S"
#include "screens/issue/frmkeluar.h"
#include "support.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <random>

using namespace gudang;

namespace {

// Answers as a store keeper in a hurry: "Ya" to every question, OK to every notice.
class Hurried final : public Dialogs
{
public:
    Button message(const QString &prompt, int style, const QString &) override
    {
        if (prompt == QLatin1String("Masih ada Input Data Lagi?"))
            ++posted;
        else if (prompt.startsWith(QLatin1String("Stok Barang Kurang")))
            ++shortOf;
        else if (!prompt.startsWith(QLatin1String("Stok Barang Sama")))
            unexpected << prompt;
        return (style & Style::YesNo) ? Button::Yes : Button::Ok;
    }
    QString saveFile(const QString &title, const QString &, const QStringList &) override
    {
        unexpected << title;
        return QString();
    }
    QString input(const QString &prompt, const QString &) override
    {
        unexpected << prompt;
        return QString();
    }
    int posted = 0;
    int shortOf = 0;
    QStringList unexpected;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: post_child CONNINFO DIR N SEED [CODES]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QString conninfo = QString::fromLocal8Bit(argv[1]);
    const int n = atoi(argv[3]);
    std::mt19937 random(unsigned(atoi(argv[4])));
    const QStringList codes = argc > 5 ? QString::fromLocal8Bit(argv[5]).split(QLatin1Char(','))
                                       : QStringList { "K1", "K2", "K3", "K4" };
    Hurried dialogs;
    {
        App app(Locations(QString::fromLocal8Bit(argv[2]), conninfo), dialogs);
        test::logInOwner(app);
        frmkeluar &k = test::openIssue(app.screens());
        for (int i = 0; i < n && dialogs.unexpected.isEmpty(); ++i) {
            const QString code = codes[int(random() % unsigned(codes.size()))];
            const QString quantity = QString::number(1 + random() % 5);
            test::readyIssue(k, code, quantity);
            QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        }
        app.screens().end();
    }
    if (!dialogs.unexpected.isEmpty()) {
        std::fprintf(stderr, "unexpected boxes: %s\n",
                     qPrintable(dialogs.unexpected.join(QLatin1Char('|'))));
        return 1;
    }
    std::printf("posted %d short %d\n", dialogs.posted, dialogs.shortOf);
    return 0;
}
