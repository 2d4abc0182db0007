// Frame geometry of the framed controls and the combo's list width rule.
#include "widgets/EnhCombo.h"
#include "widgets/UPTFrame.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

QPalette TestPalette()
{
    QPalette pal;
    pal.setColor(QPalette::Light, QColor(250, 250, 250));    // button highlight
    pal.setColor(QPalette::Dark, QColor(100, 100, 100));     // button shadow
    pal.setColor(QPalette::Shadow, QColor(10, 10, 10));      // 3D dark shadow, window frame
    pal.setColor(QPalette::Button, QColor(200, 200, 200));   // button face
    pal.setColor(QPalette::Window, QColor(200, 200, 200));
    pal.setColor(QPalette::WindowText, QColor(0, 0, 0));
    return pal;
}

const QRgb kLight = qRgb(250, 250, 250);
const QRgb kShadow = qRgb(100, 100, 100);
const QRgb kDark = qRgb(10, 10, 10);
const QRgb kFace = qRgb(200, 200, 200);
const QRgb kBack = qRgb(30, 60, 90);

template <class W> QImage Render(W& w)
{
    QImage img(w.size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    w.render(&img);
    return img;
}

template <class W> void Prepare(W& w, const QString& caption, QSize size)
{
    w.setPalette(TestPalette());
    w.SetColor(QColor(kBack));
    w.SetCaption(caption);
    w.resize(size);
}

} // namespace

TEST(GroupFrame, EmptyCaptionDrawsTheEtchedLineAtTheTop)
{
    TPTFrame frame;
    frame.SetFrameStyle(TPTFrameStyle::ptfsGroup);
    Prepare(frame, QString(), QSize(60, 40));
    const QImage img = Render(frame);
    // Shadow outline at the top row and left column, highlight one pixel inside.
    EXPECT_EQ(img.pixel(20, 0), kShadow);
    EXPECT_EQ(img.pixel(20, 1), kLight);
    EXPECT_EQ(img.pixel(0, 20), kShadow);
    EXPECT_EQ(img.pixel(1, 20), kLight);
    // On the right and bottom the highlight falls just outside the control.
    EXPECT_EQ(img.pixel(58, 20), kBack);
    EXPECT_EQ(img.pixel(59, 20), kShadow);
    EXPECT_EQ(img.pixel(20, 38), kBack);
    EXPECT_EQ(img.pixel(20, 39), kShadow);
    EXPECT_EQ(img.pixel(20, 20), kBack);

    TPTGroup group;
    Prepare(group, QString(), QSize(60, 40));
    EXPECT_EQ(group.contentsRect(), QRect(2, 2, 56, 36));
}

TEST(GroupFrame, CaptionInterruptsTheLineAndSetsTheClientTop)
{
    TPTFrame frame;
    frame.SetFrameStyle(TPTFrameStyle::ptfsGroup);
    Prepare(frame, QStringLiteral("Dimensions"), QSize(200, 60));
    const int h = QFontMetrics(frame.font()).height();
    const int lineY = h / 2 - 1;
    const QImage img = Render(frame);
    EXPECT_EQ(img.pixel(4, lineY), kShadow);
    EXPECT_EQ(img.pixel(4, lineY + 1), kLight);
    EXPECT_EQ(img.pixel(190, lineY), kShadow);
    // Inside the caption's cell the line is covered by the background or text.
    bool lineUnderCaption = true;
    for (int x = 9; x < 20; ++x)
        if (img.pixel(x, lineY) != kShadow) lineUnderCaption = false;
    EXPECT_FALSE(lineUnderCaption);

    TPTGroup group;
    Prepare(group, QStringLiteral("Dimensions"), QSize(200, 60));
    EXPECT_EQ(group.contentsMargins(), QMargins(2, h, 2, 2));
}

TEST(GroupFrame, LongCaptionStopsEightPixelsBeforeTheRightEdge)
{
    TPTFrame frame;
    frame.SetFrameStyle(TPTFrameStyle::ptfsGroup);
    Prepare(frame, QString(200, QLatin1Char('W')), QSize(120, 50));
    const int lineY = QFontMetrics(frame.font()).height() / 2 - 1;
    const QImage img = Render(frame);
    const int rightOfR = 119;
    for (int x = rightOfR - 8; x <= rightOfR; ++x) EXPECT_EQ(img.pixel(x, lineY), kShadow) << x;
    // The cut caption still covers the line up to shortly before that.
    int covered = 0;
    for (int x = rightOfR - 24; x < rightOfR - 8; ++x) covered += img.pixel(x, lineY) != kShadow;
    EXPECT_GT(covered, 0);
}

TEST(GroupFrame, DisabledCaptionIsEmbossed)
{
    TPTFrame frame;
    frame.SetFrameStyle(TPTFrameStyle::ptfsGroup);
    Prepare(frame, QStringLiteral("Sample"), QSize(120, 50));
    frame.setEnabled(false);
    const QImage img = Render(frame);
    const int h = QFontMetrics(frame.font()).height();
    int light = 0, shadow = 0, black = 0;
    for (int y = 0; y < h + 1; ++y)
        for (int x = 9; x < 60; ++x) {
            const QRgb c = img.pixel(x, y);
            light += c == kLight;
            shadow += c == kShadow;
            black += c == qRgb(0, 0, 0);
        }
    EXPECT_GT(light, 3);
    EXPECT_GT(shadow, 3);
    EXPECT_EQ(black, 0);
}

TEST(FrameStyles, LoweredDrawsFourRings)
{
    TPTFrame frame;
    Prepare(frame, QString(), QSize(30, 20));
    EXPECT_EQ(frame.FrameStyle(), TPTFrameStyle::ptfsLowered);
    const QImage img = Render(frame);
    // R = (0, 0, 29, 19)
    EXPECT_EQ(img.pixel(0, 0), kShadow);
    EXPECT_EQ(img.pixel(28, 0), kShadow);
    EXPECT_EQ(img.pixel(0, 18), kShadow);
    EXPECT_EQ(img.pixel(1, 1), kDark);
    EXPECT_EQ(img.pixel(27, 1), kDark);
    EXPECT_EQ(img.pixel(1, 18), kFace);
    EXPECT_EQ(img.pixel(28, 10), kFace);
    EXPECT_EQ(img.pixel(0, 19), kLight);
    EXPECT_EQ(img.pixel(29, 19), kLight);
    EXPECT_EQ(img.pixel(29, 0), kLight);
    EXPECT_EQ(img.pixel(10, 10), kBack);
}

TEST(FrameStyles, LinesAndEdges)
{
    TPTFrame frame;
    Prepare(frame, QString(), QSize(30, 20));

    frame.SetFrameStyle(TPTFrameStyle::ptfsHorzEdge);
    QImage img = Render(frame);
    EXPECT_EQ(img.pixel(29, 0), kShadow);
    EXPECT_EQ(img.pixel(29, 1), kLight);
    EXPECT_EQ(img.pixel(5, 18), kShadow);
    EXPECT_EQ(img.pixel(5, 19), kLight);
    EXPECT_EQ(img.pixel(0, 10), kBack);

    frame.SetFrameStyle(TPTFrameStyle::ptfsVertLine);
    img = Render(frame);
    EXPECT_EQ(img.pixel(0, 19), kShadow);
    EXPECT_EQ(img.pixel(1, 19), kLight);
    EXPECT_EQ(img.pixel(29, 10), kBack);

    frame.SetFrameStyle(TPTFrameStyle::ptfsSingle);
    img = Render(frame);
    EXPECT_EQ(img.pixel(0, 0), kDark);
    EXPECT_EQ(img.pixel(29, 19), kDark);
    EXPECT_EQ(img.pixel(1, 1), kBack);

    frame.SetFrameStyle(TPTFrameStyle::ptfsBump);
    img = Render(frame);
    EXPECT_EQ(img.pixel(0, 0), kLight);
    EXPECT_EQ(img.pixel(29, 19), kShadow);
}

TEST(FrameStyles, GroupClientFollowsTheStyle)
{
    TPTGroup group;
    group.SetFrameStyle(TPTFrameStyle::ptfsHorzEdge);
    EXPECT_EQ(group.contentsMargins(), QMargins(0, 2, 0, 2));
    EXPECT_EQ(group.size(), QSize(64, 48));
}

TEST(Group, EnablingTheGroupSetsEachChild)
{
    TPTGroup group;
    auto* edit = new QLineEdit(&group);
    auto* check = new QCheckBox(&group);
    check->setEnabled(false);
    group.setEnabled(false);
    EXPECT_FALSE(edit->isEnabledTo(&group));
    EXPECT_FALSE(check->isEnabledTo(&group));
    group.setEnabled(true);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_TRUE(check->isEnabled());  // every child follows the group
}

TEST(EnhCombo, ListWidthRuleDependsOnItemOrder)
{
    QWidget form;
    auto* combo = new TEnhCombo(&form);
    const QFontMetrics fm(form.font());
    // Two items whose widths differ by less than the padding of 8.
    const QString shorter = QStringLiteral("Template");
    QString longer = shorter;
    while (fm.horizontalAdvance(longer) == fm.horizontalAdvance(shorter)) longer += QLatin1Char('.');
    const int ws = fm.horizontalAdvance(shorter), wl = fm.horizontalAdvance(longer);
    ASSERT_LT(wl - ws, 8);

    combo->addItems({shorter, longer});
    EXPECT_EQ(combo->ComputeDropDownWidth(), ws + 8);
    combo->clear();
    combo->addItems({longer, shorter});
    EXPECT_EQ(combo->ComputeDropDownWidth(), wl + 8);

    combo->clear();
    EXPECT_EQ(combo->ComputeDropDownWidth(), 0);
    combo->SetDropDownFixedWidth(250);
    EXPECT_EQ(combo->ComputeDropDownWidth(), 250);
}

TEST(EnhCombo, OpeningTheListFiresDropDownAndWidensIt)
{
    QWidget form;
    form.resize(300, 100);
    auto* combo = new TEnhCombo(&form);
    combo->resize(60, 22);
    combo->addItems({QStringLiteral("A rather long style name"), QStringLiteral("Short")});
    int dropDowns = 0;
    QObject::connect(combo, &TEnhCombo::OnDropDown, [&] { ++dropDowns; });
    form.show();
    combo->showPopup();
    EXPECT_EQ(dropDowns, 1);
    EXPECT_EQ(combo->DropDownWidth(), combo->ComputeDropDownWidth());
    EXPECT_GE(combo->view()->width(), combo->DropDownWidth());
    combo->hidePopup();
}
