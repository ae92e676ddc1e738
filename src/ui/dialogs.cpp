#include "dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <memory>

namespace gudang {

Button QtDialogs::message(const QString &prompt, int style, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    box.setText(prompt);
    if (style & Style::Critical)
        box.setIcon(QMessageBox::Critical);
    else if (style & Style::Information)
        box.setIcon(QMessageBox::Information);
    else
        box.setIcon(QMessageBox::NoIcon);
    if ((style & 7) == Style::YesNo) {
        QPushButton *yes = box.addButton(QStringLiteral("&Ya"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("&Tidak"), QMessageBox::NoRole);
        box.setDefaultButton((style & Style::DefaultSecond) ? no : yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Button::Yes : Button::No;
    }
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return Button::Ok;
}

QString QtDialogs::input(const QString &prompt, const QString &title)
{
    QInputDialog dlg(QApplication::activeWindow());
    dlg.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    dlg.setLabelText(prompt);
    dlg.setOkButtonText(QStringLiteral("OK"));
    dlg.setCancelButtonText(QStringLiteral("Batal"));
    if (dlg.exec() != QDialog::Accepted)
        return QString();
    return dlg.textValue();
}

QFileDialog *QtDialogs::saveDialog(const QString &title, const QString &suggested,
                                   const QStringList &types)
{
    static QString lastFolder = QDir::homePath();
    auto *dialog = new QFileDialog(QApplication::activeWindow(), title, lastFolder);
    // Qt's own window, which says everything in Indonesian: the desktop's says what its
    // language says.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(types);
    dialog->selectFile(suggested);
    dialog->setLabelText(QFileDialog::LookIn, QStringLiteral("Simpan di:"));
    dialog->setLabelText(QFileDialog::FileName, QStringLiteral("Nama file:"));
    dialog->setLabelText(QFileDialog::FileType, QStringLiteral("Jenis file:"));
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("&Simpan"));
    dialog->setLabelText(QFileDialog::Reject, QStringLiteral("&Batal"));
    const std::pair<const char *, const char *> tips[] = {
        { "backButton", "Kembali" },
        { "forwardButton", "Maju" },
        { "toParentButton", "Ke folder di atasnya" },
        { "newFolderButton", "Buat folder baru" },
        { "listModeButton", "Tampilkan sebagai daftar" },
        { "detailModeButton", "Tampilkan dengan rinciannya" },
    };
    for (const auto &[name, tip] : tips) {
        if (auto *button = dialog->findChild<QToolButton *>(QLatin1String(name))) {
            button->setToolTip(QString::fromUtf8(tip));
            button->setAccessibleName(QString::fromUtf8(tip));
        }
    }
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [](const QString &file) { lastFolder = QFileInfo(file).absolutePath(); });
    return dialog;
}

QString QtDialogs::openFile(const QString &title, const QStringList &types)
{
    std::unique_ptr<QFileDialog> dialog(saveDialog(title, QString(), types));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setLabelText(QFileDialog::LookIn, QStringLiteral("Buka dari:"));
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("&Buka"));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return QString();
    return dialog->selectedFiles().constFirst();
}

QString QtDialogs::saveFile(const QString &title, const QString &suggested,
                            const QStringList &types)
{
    std::unique_ptr<QFileDialog> dialog(saveDialog(title, suggested, types));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return QString();
    return dialog->selectedFiles().constFirst();
}

} // namespace gudang
