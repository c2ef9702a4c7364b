#pragma once

#include "core/content_lists.h"
#include "gui/content_page.h"

/// The "  Mutators   " and "  Skins   " pages, which differ only in their
/// texts, Tags and the kind of record they list, and share somdata.dat
/// (each is the other's partner). The controls carry the names of their
/// page as object names: LBMuts, LBunMuts, bInstMuts, delMut, bUninstMuts
/// on Mutators; LBSkin, LBUnskin, bInstSkin, delSkin, bUninstSkin on Skins.
class ModPage : public ContentPage {
    Q_OBJECT
public:
    enum Kind { Mutators, Skins };

    ModPage(Kind kind, CommandContext& context, CommandBoundary& commands,
            QWidget* parent = nullptr);

protected:
    /// The four lists of both pages from somdata.dat.
    ReadOutcome readLists() override;
    /// Both lists to date order, rebuilt from all records.
    PageLists listsByDate(const QList<TContentRecord>& records) const override;

private:
    bool skins() const { return contentKind() == catalogue::ContentKind::Skins; }
    /// This page's two lists of `lists`.
    PageLists listsOf(const ModLists& lists) const;
};
