#pragma once

#include "gui/content_page.h"

class QComboBox;

/// The "  Maps   " page: map archives not installed (left, LBinst) and
/// installed maps (right, LBun), the game-type filter Filter1 and the
/// install controls bInstallMaps, DelZip and bUninstallMaps. The filter is
/// what sets it apart: its lists are read through the selected game type.
class MapsPage : public ContentPage {
    Q_OBJECT
public:
    MapsPage(CommandContext& context, CommandBoundary& commands, QWidget* parent = nullptr);

    /// The page was shown: status cleared, DelZip unticked, lists reloaded.
    void TabShow() override;
    /// Fills Filter1 from "text|mask|text|mask..." and selects the first
    /// pair, without counting as a change.
    void setMapFilter(const QString& filter);

protected:
    /// The mask of the selected filter entry ("All" when none): LBinst and
    /// LBun are read through it.
    QString filterMask() const override;

private:
    /// The filter's selection changed: reload the lists (not while starting up).
    void Filter1Change();

    QComboBox* Filter1 = nullptr;
};
