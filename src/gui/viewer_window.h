#pragma once

#include "core/content_db.h"

#include <QDialog>
#include <QStringList>

#include <memory>
#include <vector>

class CommandBoundary;
class DesktopOpener;
class QLabel;
class QLineEdit;
class QTemporaryDir;
namespace core::file_info {
struct FileInfo;
}
class QPushButton;
class QTableWidget;
struct CommandContext;

/// The archive content viewer: a header block of facts about one recorded
/// archive and the list of its files. A double-click on a file of a type
/// the desktop can show extracts that file into a scratch folder and hands
/// it to the desktop's program. Desktop launchers return before that
/// program has read the file, so every copy stays until the viewer closes
/// (or the program ends). Created once with the main window and refilled
/// for every use.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    TForm2(CommandContext& context, CommandBoundary& commands, QWidget* parent = nullptr);

    /// The types a double-click opens, lower case, with their dots.
    static const QStringList ViewableExtensions;
    /// The lower-cased extension of a name's last part, with its dot ("\"
    /// and "/" both separate); empty when there is none.
    static QString lowerExtension(const QString& name);

    /// Fills the header grid with the facts of `info` and the file list
    /// with its files; files are then opened from the archive of its record.
    void showInfo(const file_info::FileInfo& info);
    /// The "Needs" line below the facts: what the record's packages import
    /// that is not installed. Hidden until set for the record shown.
    void showNeeds(const QString& line);
    /// A "Shared with" column beside the files when any cell of `cells`
    /// (one per file, in file order) says something; else none.
    void showSharing(const QStringList& cells);
    /// Extracts `name` from the record's archive into a scratch folder of
    /// its own and hands the copy to the desktop's program; the copy stays
    /// until the viewer closes. A failure to open it is said in a box that
    /// names where the copy is.
    void ViewArchiveFile(const QString& name);
    /// The types of the preview, lower case, with their dots.
    static const QStringList PictureExtensions;
    /// Shows the first picture among `files` (in list order) of the record's
    /// archive, small, beside the header; hidden when
    /// there is none or it cannot be read. Nothing is asked or reported.
    void ShowPreview(const QStringList& files);
    /// The double-click handler of ListFiles.
    void ListFilesDblClick(int row, int column);

    /// Client size before the file information command sizes the window.
    static constexpr int ClientWidth = 392;
    static constexpr int ClientHeight = 223;
    static constexpr int HeaderHeight = 110;

    /// Closing removes the copies of the files viewed.
    void done(int result) override;
    ~TForm2() override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildGrids();
    void buildOverlays();
    void placeControls();

    CommandContext& ctx_;
    CommandBoundary& commands_;
    QTableWidget* Listheader = nullptr; ///< 3 x 6, facts about the archive
    QTableWidget* ListFiles = nullptr;  ///< 2 columns, a file name per row in column 1
    QPushButton* Button1 = nullptr;     ///< "Close"
    QLabel* Preview = nullptr;          ///< the archive's first picture
    /// Over the value of row 2, "Place on disk": the folder can be selected
    /// and copied there, while the grid stays read-only.
    QLineEdit* PlaceOnDisk = nullptr;
    QLabel* Needs = nullptr; ///< the packages imported but not installed
    TContentRecord record_;
    DesktopOpener* opener_ = nullptr;
    /// The scratch folders of the files viewed since the viewer opened.
    std::vector<std::unique_ptr<QTemporaryDir>> views_;
};
