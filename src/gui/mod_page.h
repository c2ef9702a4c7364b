#pragma once

#include <QWidget>

#include <functional>

class CommandBoundary;
class ListPair;
class QCheckBox;
class QListWidget;
class QPushButton;
struct CommandContext;
namespace intake {
class TmFileScan;
}

/// The "  Mutators   " and "  Skins   " pages, which differ only in their
/// texts, Tags and the kind of record they list. The controls carry the
/// names of their page as object names: LBMuts, LBunMuts, bInstMuts,
/// delMut, bUninstMuts on Mutators; LBSkin, LBUnskin, bInstSkin, delSkin,
/// bUninstSkin on Skins.
class ModPage : public QWidget {
    Q_OBJECT
public:
    enum Kind { Mutators, Skins };

    ModPage(Kind kind, CommandContext& context, CommandBoundary& commands,
            QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    /// The other page of the pair: showing one page unticks both delete
    /// boxes.
    void setPartner(ModPage* partner) { partner_ = partner; }

    /// The page was shown (TabMutsShow, TabSkinsShow): ListBox1 cleared,
    /// both delete boxes unticked, lists reloaded.
    void TabShow();
    /// Fills the two lists from somdata.dat and shows this page's counts
    /// (or the plain box when the file cannot be read).
    void LoadModLists();
    /// "By Date": both lists to date order, rebuilt from all records.
    void SortByDate();
    /// "By Name": both lists to name order, sorted at once.
    void ByName();
    /// "&Install" of both pages: the button bInstMuts or a sender with
    /// Tag 32 installs mutators, bInstSkin or Tag 52 skins, any other
    /// sender nothing; a page acts only for its own kind. Runs its own
    /// command boundary: call it straight from the click, not inside
    /// another long command, so the window is enabled again before the
    /// closing messages.
    void bInstMutsClick(const QObject* sender);
    /// "Uninstall" (bUninstMuts Tag 2, popup Tag 42; bUninstSkin Tag 3,
    /// Tag 62) and "Uninstall && Delete" (Tags 44, 64) on the entries
    /// selected in Installed; a page acts only for its own Tags.
    /// `updateDatabase` runs "Update database" after the deleting variant.
    void bUninstallMapsClick(const QObject* sender,
                             const std::function<void()>& updateDatabase = {});
    /// "Delete" (Tag 33 on Mutators, 53 on Skins): the archives selected in
    /// NotInstalled to the trash, then the mutator scan (on both pages)
    /// and the lists reloaded.
    void Delete2Click(const QObject* sender, intake::TmFileScan& scan);
    /// "Create Zip" (Tag 43 on Mutators, 63 on Skins): the first entry
    /// selected in Installed zipped into MutatorDir or CustomSkinDir.
    void Createzip1Click(const QObject* sender);
    /// "Mark as installed" while this page is shown: NotInstalled's selection.
    void ReinstallFiles1Click();

    QListWidget* NotInstalled = nullptr; ///< LBMuts / LBSkin, Tag 1
    QListWidget* Installed = nullptr;    ///< LBunMuts / LBUnskin, Tag 2
    QPushButton* bInstall = nullptr;     ///< bInstMuts / bInstSkin
    QCheckBox* DelBox = nullptr;         ///< delMut / delSkin
    QPushButton* bUninstall = nullptr;   ///< bUninstMuts (Tag 2) / bUninstSkin (Tag 3)
    /// The mouse-down handling (LBMutsMouseDown, LBSkinMouseDown) and sort mode.
    ListPair* Lists = nullptr;

private:
    Kind kind_;
    CommandContext& ctx_;
    CommandBoundary& commands_;
    ModPage* partner_ = nullptr;
};
