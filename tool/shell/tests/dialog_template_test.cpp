#include "dialog_template.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

const ControlSpec CONTROLS[] = {
    {10, CtlKind::PushButton, 0, 0, 40, 14, "开始", "Start", CTL_NONE, nullptr},
    {11, CtlKind::Edit, 0, 20, 40, 12, nullptr, nullptr, CTL_READONLY, "net weight"},
    {CTL_STATIC, CtlKind::Label, 42, 20, 10, 8, "kg", "kg", CTL_NONE, nullptr},
    {12, CtlKind::DropList, 0, 40, 40, 60, nullptr, nullptr, CTL_DISABLED, "model list"},
    {13, CtlKind::DropDown, 0, 60, 40, 60, nullptr, nullptr, CTL_SORTED | CTL_HIDDEN, "printer list"},
};
const DialogTemplate TEMPLATE{1, 100, 80, "宋体", 16, 400, CONTROLS};

TEST(DialogTemplate, BuildsControlsByIdWithTextsStatesAndRoles)
{
    QWidget page;
    BuildControls(&page, TEMPLATE);
    ASSERT_NE(FindControl<QPushButton>(&page, 10), nullptr);
    EXPECT_EQ(ControlText(FindControl(&page, 10)), QString::fromUtf8("开始"));
    auto* edit = FindControl<QLineEdit>(&page, 11);
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->accessibleName(), "net weight");
    EXPECT_FALSE(FindControl(&page, 12)->isEnabled());
    EXPECT_TRUE(FindControl(&page, 13)->isHidden());
    // Dialog units scale with the font: a wider control is wider on screen.
    EXPECT_GT(FindControl(&page, 10)->width(), 0);
    EXPECT_EQ(FindControl(&page, 10)->width(), FindControl(&page, 11)->width());

    ApplyEnglishTexts(&page, TEMPLATE);
    EXPECT_EQ(ControlText(FindControl(&page, 10)), "Start");
}

TEST(DialogTemplate, ComboKeepsNoSelectionAndSortsWhenAsked)
{
    QWidget page;
    BuildControls(&page, TEMPLATE);
    QWidget* list = FindControl(&page, 12);
    AddComboItem(list, "KA200");
    AddComboItem(list, "KA100");
    auto* cb = qobject_cast<QComboBox*>(list);
    EXPECT_EQ(cb->currentIndex(), -1);
    EXPECT_EQ(ControlText(list), "");
    EXPECT_EQ(cb->itemText(0), "KA200");  // unsorted: order of adding

    QWidget* sorted = FindControl(&page, 13);
    SetControlText(sorted, "typed");
    AddComboItem(sorted, "b");
    AddComboItem(sorted, "A");
    AddComboItem(sorted, "c");
    auto* scb = qobject_cast<QComboBox*>(sorted);
    EXPECT_EQ(scb->itemText(0), "A");
    EXPECT_EQ(scb->itemText(2), "c");
    EXPECT_EQ(ControlText(sorted), "typed");
}

} // namespace
