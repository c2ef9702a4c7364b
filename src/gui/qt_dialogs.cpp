#include "gui/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace platform {

QString QtDialogs::displayText(const QString& text) {
    QString t = text;
    t.replace(u"\r\n"_s, u"\n"_s);
    t.replace(u'\r', u'\n');
    return t;
}

Button QtDialogs::message(MsgKind kind, const QString& text, Buttons buttons, QPoint offset) {
    QMessageBox box(mainWindow_);
    box.setWindowTitle(QApplication::applicationDisplayName());
    switch (kind) {
    case MsgKind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(u"Warning"_s);
        break;
    case MsgKind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(u"Error"_s);
        break;
    case MsgKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(u"Information"_s);
        break;
    case MsgKind::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(u"Confirm"_s);
        break;
    }
    box.setText(displayText(text));
    struct Choice {
        Button button;
        QString caption;
        QMessageBox::ButtonRole role;
    };
    const Choice choices[] = {
        {Yes, u"&Yes"_s, QMessageBox::YesRole},
        {No, u"&No"_s, QMessageBox::NoRole},
        {Ok, u"OK"_s, QMessageBox::AcceptRole},
        {Cancel, u"Cancel"_s, QMessageBox::RejectRole},
        {Abort, u"&Abort"_s, QMessageBox::RejectRole},
        {Retry, u"&Retry"_s, QMessageBox::AcceptRole},
        {Ignore, u"&Ignore"_s, QMessageBox::AcceptRole},
        {YesToAll, u"Yes to &All"_s, QMessageBox::YesRole},
    };
    QList<std::pair<QAbstractButton*, Button>> made;
    for (const Choice& c : choices) {
        if (buttons & c.button)
            made.append({box.addButton(c.caption, c.role), c.button});
    }
    if (made.isEmpty())
        made.append({box.addButton(u"OK"_s, QMessageBox::AcceptRole), Ok});
    box.setDefaultButton(qobject_cast<QPushButton*>(made.first().first));
    if (mainWindow_) {
        box.adjustSize();
        box.move(mainWindow_->pos() + offset);
    }
    box.exec();
    for (const auto& [widget, button] : made) {
        if (box.clickedButton() == widget)
            return button;
    }
    return (buttons & Cancel) ? Cancel : ((buttons & No) ? No : Ok);
}

void QtDialogs::plainMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), displayText(text),
                    QMessageBox::Ok, mainWindow_);
    // The plain box stands in the middle of the screen, not over the window.
    const QScreen* screen = mainWindow_ ? mainWindow_->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        box.adjustSize();
        box.move(screen->availableGeometry().center() - box.rect().center());
    }
    box.exec();
}

void QtDialogs::errorMessage(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                    displayText(text), QMessageBox::Ok, mainWindow_);
    box.exec();
}

std::optional<QString> QtDialogs::inputText(const QString& caption, const QString& prompt,
                                            const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(mainWindow_, caption, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QStringList QtDialogs::openFiles(const QString& title, const QString& folder,
                                 const QString& filter) {
    return QFileDialog::getOpenFileNames(mainWindow_, title, folder, filter);
}

QString QtDialogs::saveFile(const QString& title, const QString& folder, const QString& filter,
                            const QString& defaultSuffix) {
    QFileDialog dialog(mainWindow_, title, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::chooseFolder(const QString& prompt, const QString& startFolder, bool canCreate) {
    QFileDialog dialog(mainWindow_, prompt, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::ReadOnly, !canCreate);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace platform
