// The words of the offer to mark content found in the game installed.
#include "install/found_content.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using catalogue::ContentKind;

TEST(FoundContentText, CountsEachKindInMapsMutatorsSkinsOrder) {
    const auto found = [](int maps, int mutators, int skins) {
        QList<install::Adoptable> out;
        const std::pair<ContentKind, int> counts[] = {{ContentKind::Skins, skins},
                                                      {ContentKind::Maps, maps},
                                                      {ContentKind::Mutators, mutators}};
        for (const auto& [page, n] : counts)
            for (int i = 0; i < n; ++i)
                out.append({page, catalogue::ListEntry(u"x"_s), u"x.zip"_s, {}});
        return out;
    };
    const std::pair<QList<install::Adoptable>, QString> cases[] = {
        {found(12, 0, 0),
         u"12 maps from your archive folders are already in the game. Mark them installed?"_s},
        {found(1, 0, 0),
         u"1 map from your archive folders is already in the game. Mark it installed?"_s},
        {found(0, 0, 1),
         u"1 skin from your archive folders is already in the game. Mark it installed?"_s},
        {found(0, 2, 1), u"2 mutators and 1 skin from your archive folders are already in the "
                         u"game. Mark them installed?"_s},
        {found(3, 1, 2), u"3 maps, 1 mutator and 2 skins from your archive folders are already "
                         u"in the game. Mark them installed?"_s},
    };
    for (const auto& [entries, text] : cases)
        EXPECT_EQ(install::foundInGameText(entries), text);
}
