#include "app/main_window.h"

#include "app/about_box.h"
#include "app/content_db.h"
#include "app/lifecycle.h"
#include "app/settings_file.h"
#include "app/theme_engine.h"
#include "app/value_list_editor.h"
#include "intake/rar_archive.h"
#include "intake/zip_master.h"
#include "platform/errors.h"
#include "platform/file_helpers.h"
#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

int tagOf(const QObject* object) {
    return object ? object->property("Tag").toInt() : 0;
}
void setTag(QObject* object, int tag) {
    object->setProperty("Tag", tag);
}

TForm1::TForm1(platform::Dialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), themes_(std::make_unique<ThemeEngine>()) {
    if (!dialogs_) {
        ownDialogs_ = std::make_unique<platform::QtDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
    buildWindow();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildWindow() {
    setWindowTitle(u"Quorvel"_s);
    // The window's fixed size was drawn for an 11-pixel interface font; a
    // style rule keeps that size under every theme's style sheet.
    setStyleSheet(u"QWidget { font-size: 11px; }"_s);
    ThemeEngine::installBaseStyle();
    // Fixed border with the system menu and a minimise box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(u"PageControl1"_s);
    PageControl1->setUsesScrollButtons(false);
    PageControl1->setDocumentMode(false);
    buildMapsPage();
    buildModPage(false);
    buildModPage(true);
    buildCachePage();
    buildUz2Page();
    buildDemosPage();
    buildConfigPage();
    setCentralWidget(PageControl1);

    StatusBar1 = new QStatusBar;
    StatusBar1->setSizeGripEnabled(false);
    statusLabel_ = new QLabel;
    statusLabel_->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(statusLabel_, 1);
    setStatusBar(StatusBar1);

    buildMenus();
    buildPopupMenus();
    buildArchiveComponents();
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::pageChanged);
    connect(bConfigSave, &QPushButton::clicked, this, &TForm1::bConfigSaveClick);
    connect(VLE, &ValueListEditor::editButtonClicked, this, &TForm1::VLEEditButtonClick);
    setMapFilter(u"All files|All|CTF|CTF|DM|DM|BR|BR|AS|AS|ONS|ONS"_s);
    connect(Filter1, &QComboBox::currentIndexChanged, this, &TForm1::Filter1Change);

    // The client area below the menu bar is fixed at 488 x 362.
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(ClientWidth, ClientHeight + menuHeight);
    setAcceptDrops(true);
    AboutBox = new TAboutBox(this);
    if (const QString help = helpDocumentPath(); !help.isEmpty()) {
        AboutBox->webPage = QUrl::fromLocalFile(help);
        AboutBox->webPage.setFragment(u"about"_s);
    }
}

void TForm1::buildArchiveComponents() {
    ZipMaster1 = std::make_unique<intake::TZipMaster>(dialogs_);
    ZipMaster1->OnItemProgress = [this](const QString& item, qint64 size, int perCent) {
        ZipMaster1ItemProgress(item, size, perCent);
    };
    dRar31 = std::make_unique<intake::TdRar3>();
    dRar31->NameofUnrarDll = u"libunrar.so.5"_s;
    dRar31->OnFileAboutToBeListed = [this](const QString& n) { dRar31FileAboutToBeListed(n); };
    dRar31->OnFileAboutToBeExtracted = [this](const QString& n) {
        dRar31FileAboutToBeExtractedEX(n);
    };
    dRar31->OnReqPassword = [this] { return dRar31ReqPassword(); };
}

void TForm1::ZipMaster1ItemProgress(const QString& item, qint64, int) {
    setStatus(state_.ProgressText + platform::fileNamePart(item));
}

void TForm1::dRar31FileAboutToBeListed(const QString& entryName) {
    ListBox1->addItem(entryName);
}

void TForm1::dRar31FileAboutToBeExtractedEX(const QString& entryName) {
    setStatus(state_.ProgressText + platform::fileNamePart(entryName));
}

std::optional<QString> TForm1::dRar31ReqPassword() {
    // A cancelled dialog answers the empty password.
    return dialogs_->inputText(dRar31->ArchiveFileName, u"Password needed"_s, QString())
        .value_or(QString());
}

// Start-up steps 3 to 13. An error in a step is shown by the general error
// handler and the steps after it are skipped; the program goes on.
void TForm1::FormCreate() {
    try {
        state_.ProgramDir = QDir::currentPath();
        state_.CanClose = true;
        state_.MapDirSet = state_.MutatorDirSet = state_.SkinDirSet = false;
        state_.StartingUp = true;
        state_.LastZipDir = QDir::homePath();
        state_.LastUz2Dir = QDir::homePath();
        lifecycle::prepareTempDir(state_);
        prepareConfigEditor();
        content_db::CreateMissingFiles(state_);
        if (QFileInfo::exists(state_.settingsPath()))
            LoadSettings(true);
        else
            firstRun();
        state_.DemosListed = false;
    } catch (const platform::Error& e) {
        showError(e.text());
    } catch (const std::exception& e) {
        showError(QString::fromLocal8Bit(e.what()));
    }
}

void TForm1::prepareConfigEditor() {
    using Style = ValueListEditor::EditStyle;
    for (int row = 1; row <= 5; ++row)
        VLE->setEditStyle(row, Style::Ellipsis);
    VLE->setEditStyle(6, Style::PickList, {u"Yes"_s, u"No"_s});
    VLE->setEditStyle(7, Style::PickList, {u"Always"_s, u"Ask me"_s});
    VLE->setEditStyle(8, Style::PickList, {u"Yes"_s, u"No"_s});
    VLE->setEditStyle(9, Style::Text);
}

void TForm1::firstRun() {
    VLE->setValue(1, lifecycle::findGameFolder(QDir::homePath()));
    themes_->selectBuiltIn(1);
    themes_->setEnabled(true);
    state_.ThemeIndex = 1;
    VLE->setValue(6, u"Yes"_s);
    VLE->setValue(7, u"Ask me"_s);
    VLE->setValue(8, u"No"_s);
    showPage(ConfigPage);
}

void TForm1::settingsDamaged() {
    QFile::remove(state_.settingsPath());
    dialogs_->message(platform::MsgKind::Error,
                      u"Ini-file may be corrupt or missing.\rReconfigure your settings"_s,
                      platform::Ok, QPoint(100, 75));
    showPage(ConfigPage);
}

void TForm1::showError(const QString& text) {
    dialogs_->errorMessage(text);
}

void TForm1::setStatus(const QString& text) {
    statusLabel_->setText(text);
}

QString TForm1::status() const {
    return statusLabel_->text();
}

void TForm1::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    PageControl1->setEnabled(!busy);
    for (QMenu* menu : {SystemMenu, ThemeMenu, SortMenu, HelpMenu})
        menu->menuAction()->setEnabled(!busy);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (closedDown_) {
        event->accept();
        return;
    }
    if (!state_.CanClose) {
        event->ignore();
        return;
    }
    CloseDown();
    event->accept();
}

void TForm1::CloseDown() {
    settings_file::LayoutValues layout;
    layout.ThemeIndex = state_.ThemeIndex;
    layout.ThemeFile = state_.ThemeFile;
    layout.ThemeOn = themes_->enabled();
    layout.WindowPos = pos();
    layout.LastZipDir = state_.LastZipDir;
    layout.LastUz2Dir = state_.LastUz2Dir;
    settings_file::storeLayout(state_.settingsPath(), layout);
    if (!lifecycle::removeTempDir(state_))
        dialogs_->message(platform::MsgKind::Error, lifecycle::couldNotRemoveTempText(state_),
                          platform::Ok, QPoint(50, 125));
    closedDown_ = true;
}

void TForm1::GameOver1Click() {
    CloseDown();
    close();
    QCoreApplication::exit(0);
}

void TForm1::ShowErrorLog() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(state_.errorLogPath()));
}

void TForm1::ReportUnsupportedFiles() {
    if (lifecycle::ReportUnsupportedFiles(state_, *dialogs_))
        ShowErrorLog();
}

QString TForm1::helpDocumentPath() {
    // Beside the installed program, or in the source tree of a build.
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        appDir + u"/../share/quorvel/docs/help/index.html"_s,
        appDir + u"/../../docs/help/index.html"_s,
    };
    for (const QString& c : candidates) {
        if (QFileInfo::exists(c))
            return QFileInfo(c).canonicalFilePath();
    }
    return {};
}

void TForm1::Contents1Click() {
    const QString help = helpDocumentPath();
    if (help.isEmpty()) {
        dialogs_->message(platform::MsgKind::Error,
                          u"The help document could not be found.\r\r"_s
                          u"Reinstall Quorvel to get it back."_s,
                          platform::Ok, QPoint(50, 125));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void TForm1::About1Click() {
    AboutBox->move(pos() + QPoint(125, 114));
    AboutBox->exec();
}
