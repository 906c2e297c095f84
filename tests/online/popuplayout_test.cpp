// A pop-up's tree from its layout: the pop-up's events answer to their own names and to the
// screen's "app:" names, so that a sequence of the layout may carry a handler's name and call
// that handler.
#include <gtest/gtest.h>

#include "online/popups/PopupLayout.h"
#include "tests/ui/LoaderTestSupport.h"
#include "ui/anim/UIActionSequence.h"
#include "ui/widgets/Button.h"

namespace {

int Count(CWidget*, void* context, intptr_t, intptr_t)
{
    ++*static_cast<int*>(context);
    return 1;
}

struct PopupLayout : ltest::LoaderCase {};

TEST_F(PopupLayout, HandlersAnswerToTheScreensOwnNames)
{
    Pack({{"pop.xml",
           "<areas><area name='p' width='800' height='480'>"
           "<actions><action name='close'><trigger time='0' action='close'/></action></actions>"
           "<element type='button' name='plain'><clickdelay value='0'/>"
           "<events><onclick action='close'/></events></element>"
           "<element type='button' name='own'><clickdelay value='0'/>"
           "<events><onclick action='app:close'/></events></element>"
           "</area></areas>"}});
    int calls = 0;
    const PopupEvent events[] = {{"close", CUIDelegate(&Count, &calls)}};
    CUIActionSequenceList popupSequences;
    CWidget* root = nullptr;
    ASSERT_EQ(BuildPopupTree(&app, "pop.xml", &popupSequences, events, 1, 800, 480, &root),
              VORTAN_OK);
    ASSERT_NE(root, nullptr);
    CButton* plain = static_cast<CButton*>(ltest::Find(root, "plain"));
    CButton* own = static_cast<CButton*>(ltest::Find(root, "own"));
    ASSERT_TRUE(plain && own);

    // "close" is the layout's sequence, whose trigger of its own name calls the handler.
    plain->Click();
    EXPECT_EQ(calls, 1);
    own->Click();
    EXPECT_EQ(calls, 2);

    ltest::Drop(root);
    popupSequences.DeleteAll();
}

} // namespace
