#include "dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

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

} // namespace gudang
