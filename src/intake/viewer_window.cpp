#include "intake/viewer_window.h"

#include "app/command_boundary.h"
#include "app/command_context.h"
#include "intake/rar_archive.h"
#include "intake/safe_path.h"
#include "intake/zip_master.h"
#include "platform/dialogs.h"
#include "platform/process.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include <memory>

using namespace Qt::Literals::StringLiterals;

const QStringList TForm2::ViewableExtensions = {u".gif"_s, u".jpg"_s,  u".bmp"_s,
                                                u".txt"_s, u".doc"_s,  u".rtf"_s,
                                                u".htm"_s, u".html"_s, u".ogg"_s};

namespace {
QFont viewerFont() {
    QFont font(u"Verdana"_s);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

QTableWidget* grid(const QString& name, int columns, int rows, int columnWidth, int rowHeight) {
    auto* table = new QTableWidget(rows, columns);
    table->setObjectName(name);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->horizontalHeader()->setMinimumSectionSize(0);
    table->verticalHeader()->setMinimumSectionSize(0);
    table->horizontalHeader()->setDefaultSectionSize(columnWidth);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setFont(viewerFont());
    return table;
}

QString bareName(const QString& storedName) {
    const qsizetype slash = std::max(storedName.lastIndexOf(u'/'), storedName.lastIndexOf(u'\\'));
    return storedName.mid(slash + 1);
}
} // namespace

TForm2::TForm2(CommandContext& context, CommandBoundary& commands, QWidget* parent)
    : QDialog(parent), ctx_(context), commands_(commands) {
    setObjectName(u"Form2"_s);
    // No title text and no title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QString());

    Listheader = grid(u"Listheader"_s, 3, 6, 120, 16);
    Listheader->setParent(this);
    Listheader->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Listheader->setSelectionMode(QAbstractItemView::NoSelection);
    Listheader->setFocusPolicy(Qt::NoFocus);
    // Read-only facts: disabled, yet painted like enabled text.
    QPalette palette = Listheader->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     palette.color(QPalette::Active, QPalette::Text));
    Listheader->setPalette(palette);
    Listheader->setEnabled(false);

    ListFiles = grid(u"ListFiles"_s, 2, 0, 320, 18);
    ListFiles->setParent(this);
    ListFiles->setShowGrid(false);
    ListFiles->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ListFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    ListFiles->setToolTip(u"Double click to open the file"_s);
    connect(ListFiles, &QTableWidget::cellDoubleClicked, this, &TForm2::ListFilesDblClick);

    Button1 = new QPushButton(u"Close"_s, this);
    Button1->setObjectName(u"Button1"_s);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    resize(ClientWidth, ClientHeight);
    placeControls();
}

void TForm2::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeControls();
}

void TForm2::placeControls() {
    // The header across the top, the file list filling the rest and the
    // close button at the top right over the header.
    Listheader->setGeometry(0, 0, width(), HeaderHeight);
    ListFiles->setGeometry(0, HeaderHeight, width(), std::max(0, height() - HeaderHeight));
    Button1->setGeometry(355, 1, 35, 20);
    Button1->raise();
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ListFiles->setFocus();
}

QString TForm2::lowerExtension(const QString& name) {
    const QString bare = bareName(name);
    const qsizetype dot = bare.lastIndexOf(u'.');
    return dot < 0 ? QString() : bare.mid(dot).toLower();
}

QString TForm2::headerCell(int row) const {
    const QTableWidgetItem* cell = Listheader->item(row, 2);
    return cell ? cell->text() : QString();
}

void TForm2::ListFilesDblClick(int row, int column) {
    const QTableWidgetItem* cell = ListFiles->item(row, column);
    if (column != 1 || row < 0 || !cell)
        return;
    const QString name = cell->text();
    if (!ViewableExtensions.contains(lowerExtension(name)))
        return;
    commands_.run(CommandBoundary::Quick, [this, name] { ViewArchiveFile(name); });
}

bool TForm2::extractFromZip(const QString& archivePath, const QString& name) {
    intake::TZipMaster& zip = ctx_.zip;
    // One file, flat into Temp: the copy is then Temp + its bare name.
    zip.ExtrBaseDir = ctx_.state.TempDir;
    zip.ExtrOptions = intake::TZipMaster::ExtrForceDirs;
    zip.FSpecArgs = QStringList{name};
    zip.setZipFileName(archivePath);
    zip.Extract();
    if (zip.SuccessCount() > 0)
        return true;
    // The recorded name of a zip entry is its bare name; the entry itself
    // may sit in a folder of the archive.
    for (int i = 0; i < zip.EntryCount(); ++i) {
        if (bareName(zip.EntryName(i)) == name) {
            zip.FSpecArgs = QStringList{zip.EntryName(i)};
            zip.Extract();
            break;
        }
    }
    return zip.SuccessCount() > 0;
}

void TForm2::extractFromRar(const QString& archivePath, const QString& name) {
    intake::TdRar3& rar = ctx_.rar;
    rar.ArchiveFileName = archivePath;
    rar.TargetDirectory = ctx_.state.TempDir;
    rar.FileListToProcess.clear();
    rar.FileListToProcess.add(name);
    // The list must be empty again however Extract ends, or the next
    // install of this archive would extract this one file only.
    const std::unique_ptr<intake::TdRar3, void (*)(intake::TdRar3*)> emptied(
        &rar, [](intake::TdRar3* r) { r->FileListToProcess.clear(); });
    rar.Extract();
}

void TForm2::ViewArchiveFile(const QString& name) {
    const QString archiveName = headerCell(1);
    const QString archiveType = lowerExtension(archiveName);
    const QString archivePath = headerCell(2) + archiveName;
    bool keepFolders = false;
    if (archiveType == u".zip"_s) {
        if (!extractFromZip(archivePath, name)) {
            ctx_.dialogs.message(platform::MsgKind::Error,
                                 u"Sorry, an error occured when trying to view "_s + name,
                                 platform::Ok, QPoint(0, 0));
            return;
        }
    } else if (archiveType == u".rar"_s) {
        extractFromRar(archivePath, name);
        keepFolders = true;
    } else {
        return;
    }
    // Where the extraction put it; a name that would point out of Temp
    // is confined the same way, so nothing outside Temp is opened or deleted.
    const QString copy = intake::confinedTarget(ctx_.state.TempDir, name, keepFolders);
    if (copy.isEmpty() || !QFileInfo(copy).isFile())
        return;
    if (!ctx_.processes.runAndWait(u"xdg-open"_s, {copy}, ctx_.state.TempDir))
        return;
    QFile::remove(copy);
}
