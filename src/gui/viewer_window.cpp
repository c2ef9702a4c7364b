#include "gui/viewer_window.h"

#include "core/command_boundary.h"
#include "core/command_context.h"
#include "core/file_info.h"
#include "gui/cut_text_tips.h"
#include "gui/desktop_opener.h"
#include "gui/page_parts.h"
#include "platform/dialogs.h"
#include "platform/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <exception>
#include <memory>

using namespace Qt::Literals::StringLiterals;

const QStringList TForm2::PictureExtensions = {u".jpg"_s, u".gif"_s, u".bmp"_s, u".png"_s};

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

/// The header row of "Place on disk :".
constexpr int PlaceRow = 2;

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

    buildGrids();
    buildOverlays();
    Button1 = new QPushButton(u"Close"_s, this);
    Button1->setObjectName(u"Button1"_s);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    opener_ = new DesktopOpener(ctx_.dialogs, commands_, this);

    // A dialog border: sized by the program, not by the user.
    setFixedSize(ClientWidth, ClientHeight);
    placeControls();
    CutTextTips::install(this);
}

void TForm2::buildGrids() {
    Listheader = grid(u"Listheader"_s, 3, 6, 120, 16);
    Listheader->setParent(this);
    Listheader->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Listheader->setSelectionMode(QAbstractItemView::NoSelection);
    Listheader->setFocusPolicy(Qt::NoFocus);
    Listheader->setAccessibleName(u"File information"_s);
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
    ListFiles->setAccessibleName(u"Files in the archive"_s);
    page_parts::showFocusFrame(ListFiles);
    connect(ListFiles, &QTableWidget::cellDoubleClicked, this, &TForm2::ListFilesDblClick);
}

/// What lies over the header: the place on disk as selectable text, the
/// preview and the packages the file needs.
void TForm2::buildOverlays() {
    PlaceOnDisk = new QLineEdit(this);
    PlaceOnDisk->setObjectName(u"PlaceOnDisk"_s);
    PlaceOnDisk->setAccessibleName(u"Place on disk"_s);
    PlaceOnDisk->setReadOnly(true);
    PlaceOnDisk->setFrame(false);
    PlaceOnDisk->setFont(viewerFont());
    PlaceOnDisk->setTextMargins(2, 0, 0, 0);
    PlaceOnDisk->setStyleSheet(
        u"QLineEdit { background: transparent; border: none; padding: 0px; }"_s);
    PlaceOnDisk->hide();

    Preview = new QLabel(this);
    Preview->setObjectName(u"Preview"_s);
    Preview->setAlignment(Qt::AlignCenter);
    Preview->hide();

    Needs = new QLabel(this);
    Needs->setObjectName(u"Needs"_s);
    Needs->setTextFormat(Qt::PlainText);
    Needs->hide();
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
    // 35 pixels wide, or as wide as the caption needs in the desktop's
    // font, growing to the left so the right edge stays.
    QStyleOptionButton option;
    option.initFrom(Button1);
    option.rect = QRect(0, 0, 35, 20);
    const int margins =
        35 - style()->subElementRect(QStyle::SE_PushButtonContents, &option, Button1).width();
    const int buttonWidth =
        std::max(35, Button1->fontMetrics().horizontalAdvance(Button1->text()) + margins + 2);
    Button1->setGeometry(390 - buttonWidth, 1, buttonWidth, 20);
    // Right of the value column (1 + 120 + 220 pixels), below the button.
    Preview->setGeometry(343, 24, std::max(0, width() - 345), HeaderHeight - 28);
    // Exactly over the cell, whose text it shows.
    const QRect place = Listheader->visualRect(Listheader->model()->index(PlaceRow, 2));
    PlaceOnDisk->setGeometry(place.translated(Listheader->viewport()->mapTo(this, QPoint(0, 0))));
    // Under the six rows of facts, left of the preview.
    Needs->setGeometry(4, 96, 338, HeaderHeight - 97);
    Needs->raise();
    Preview->raise();
    Button1->raise();
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ListFiles->setFocus();
}

void TForm2::showInfo(const file_info::FileInfo& info) {
    auto setCell = [](QTableWidget* grid, int row, int column, const QString& text) {
        grid->setItem(row, column, new QTableWidgetItem(text));
    };
    Listheader->clearContents();
    Listheader->setColumnWidth(0, 1);
    Listheader->setColumnWidth(2, 220);
    for (int row = 0; row < info.rows.size(); ++row) {
        setCell(Listheader, row, 1, info.rows[row].label);
        setCell(Listheader, row, 2, info.rows[row].value);
    }
    Needs->clear();
    Needs->hide();
    ListFiles->clearContents();
    ListFiles->setColumnCount(2);
    ListFiles->horizontalHeader()->hide();
    ListFiles->setRowCount(int(info.files.size()));
    ListFiles->setColumnWidth(0, 1);
    ListFiles->setColumnWidth(1, 370);
    for (int row = 0; row < info.files.size(); ++row)
        setCell(ListFiles, row, 1, info.files[row]);
    ListFiles->scrollToTop();
    record_ = info.record;
    QTableWidgetItem* place = Listheader->item(PlaceRow, 2);
    PlaceOnDisk->setText(place ? place->text() : QString());
    // The field shows the cell's text; the cell keeps it for the reader
    // of the grid but paints none of it.
    if (place)
        place->setForeground(Qt::transparent);
    PlaceOnDisk->setCursorPosition(0);
    PlaceOnDisk->setVisible(!PlaceOnDisk->text().isEmpty());
    placeControls();
}

void TForm2::showNeeds(const QString& line) {
    Needs->setText(line);
    Needs->setToolTip(line);
    Needs->setVisible(!line.isEmpty());
}

void TForm2::showSharing(const QStringList& cells) {
    if (std::all_of(cells.begin(), cells.end(), [](const QString& c) { return c.isEmpty(); }))
        return;
    ListFiles->setColumnCount(3);
    ListFiles->setHorizontalHeaderLabels({QString(), u"File"_s, u"Shared with"_s});
    ListFiles->horizontalHeader()->show();
    ListFiles->setColumnWidth(1, 180);
    ListFiles->setColumnWidth(2, 190);
    for (int row = 0; row < cells.size() && row < ListFiles->rowCount(); ++row) {
        auto* item = new QTableWidgetItem(cells[row]);
        item->setToolTip(cells[row]);
        ListFiles->setItem(row, 2, item);
    }
}

QString TForm2::lowerExtension(const QString& name) {
    const QString bare = bareName(name);
    const qsizetype dot = bare.lastIndexOf(u'.');
    return dot < 0 ? QString() : bare.mid(dot).toLower();
}

void TForm2::ListFilesDblClick(int row, int column) {
    const QTableWidgetItem* cell = ListFiles->item(row, column);
    if (column != 1 || row < 0 || !cell)
        return;
    const QString name = cell->text();
    if (!ViewableExtensions.contains(lowerExtension(name)))
        return;
    commands_.run(CommandBoundary::Quick, CommandBoundary::Reads,
                  [this, name] { ViewArchiveFile(name); });
}

void TForm2::ViewArchiveFile(const QString& name) {
    // A folder of the viewer's own: viewing takes no lock, and another
    // Quorvel may be installing through the data folder's Temp meanwhile.
    // One per view, so a file viewed again never meets its earlier copy.
    auto scratch = std::make_unique<QTemporaryDir>();
    if (!scratch->isValid())
        throw platform::Error(u"Quorvel could not make a folder to view "_s + name + u" in: "_s +
                              scratch->errorString());
    const QString copy =
        file_info::ExtractRecordedFile(ctx_, record_, name, scratch->path(), false);
    if (copy.isEmpty())
        return;
    const QString folder = QFileInfo(copy).absolutePath();
    views_.push_back(std::move(scratch));
    opener_->open(copy, u"The copy stays in "_s + folder +
                            u" until you close the file list: open it from there with a program "_s
                            u"of your choice."_s);
}

void TForm2::done(int result) {
    views_.clear();
    QDialog::done(result);
}

TForm2::~TForm2() = default;

void TForm2::ShowPreview(const QStringList& files) {
    placeControls(); // the size given while hidden is not yet applied
    Preview->clear();
    Preview->hide();
    const auto picture = std::find_if(files.begin(), files.end(), [](const QString& name) {
        return PictureExtensions.contains(lowerExtension(name));
    });
    if (picture == files.end())
        return;
    // The preview is an extra: it never shows a box of its own nor stops
    // the facts from being shown. Like viewing, it works in a folder of its
    // own, gone with everything in it (a rar's folders too) at the end.
    QImage image;
    const QTemporaryDir scratch;
    try {
        // A picture larger than any a map ships is not worth reading.
        constexpr qint64 MaxPreviewBytes = qint64(4) << 20;
        if (const QString copy = scratch.isValid() ? file_info::ExtractRecordedFile(
                                                         ctx_, record_, *picture, scratch.path(),
                                                         true, MaxPreviewBytes)
                                                   : QString();
            !copy.isEmpty()) {
            // Decoded at the preview's size; Qt's allocation limit bounds
            // what a hostile picture header can ask for.
            QImageReader reader(copy);
            reader.setAutoTransform(true);
            if (const QSize size = reader.size(); size.isValid())
                reader.setScaledSize(size.scaled(Preview->size(), Qt::KeepAspectRatio));
            image = reader.read();
            QFile::remove(copy);
        }
    } catch (const std::exception&) {
        image = QImage();
    }
    if (image.isNull())
        return;
    Preview->setPixmap(QPixmap::fromImage(image));
    Preview->show();
}
