// The HTML label: text preparation, tags, layout and anchors.
#include "widgets/HTMLEngine.h"
#include "widgets/HTMLMarkup.h"
#include "widgets/HTMLabel.h"
#include "widgets/ImageList.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

THTMLOptions Plain(const QFont& font = QFont())
{
    THTMLOptions o;
    o.Font = font;
    o.FontColor = Qt::black;
    return o;
}

THTMLResult Measure(const QString& markup, int width, const THTMLOptions& o = Plain())
{
    return RenderHTML(PrepareHTMLText({markup}), QRect(0, 0, width, 1000), o, THTMLPass::Measure);
}

int Gh(const QFont& f = QFont())
{
    return HTMLTextHeight(f, nullptr);
}

QImage Draw(const QString& markup, QSize size, const THTMLOptions& o = Plain())
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    RenderHTML(PrepareHTMLText({markup}), img.rect(), o, THTMLPass::Draw, &p);
    return img;
}

// Columns [first, last] that hold any pixel of the given colour, or (-1, -1).
std::pair<int, int> InkColumns(const QImage& img, QRgb ink, int y0 = 0, int y1 = -1)
{
    if (y1 < 0) y1 = img.height() - 1;
    int first = -1, last = -1;
    for (int x = 0; x < img.width(); ++x)
        for (int y = y0; y <= y1; ++y)
            if (img.pixel(x, y) == ink) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

int InkRows(const QImage& img, QRgb ink)
{
    int rows = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == ink) {
                ++rows;
                break;
            }
    return rows;
}

} // namespace

TEST(HTMLText, PreparationResolvesEntitiesAndLineBreaks)
{
    EXPECT_EQ(PrepareHTMLText({QStringLiteral("a &amp; b")}), QStringLiteral("a && b"));
    EXPECT_EQ(PrepareHTMLText({QStringLiteral("&quot;&copy;&euro;&trade;")}),
              QStringLiteral("\"") + QChar(0xA9) + QChar(0x20AC) + QChar(0x2122));
    // A replacement can form a new entity; it is resolved in the next pass.
    EXPECT_EQ(PrepareHTMLText({QStringLiteral("&amp;sect;")}), QStringLiteral("&") + QChar(0xA7));
    EXPECT_EQ(PrepareHTMLText({QStringLiteral("one\r\ntwo\r")}), QStringLiteral("one<BR>two<BR>"));
    EXPECT_EQ(PrepareHTMLText({QStringLiteral("a<#b>c<#d>")}), QStringLiteral("a#bc<#d>"));
    EXPECT_EQ(PrepareHTMLText({QStringLiteral("ab"), QStringLiteral("cd")}), QStringLiteral("abcd"));
    // &lt; stays until layout so that it never opens a tag.
    EXPECT_EQ(PrepareHTMLText({QStringLiteral("&lt;b&gt;")}), QStringLiteral("&lt;b&gt;"));
    EXPECT_EQ(DecodeRunEntities(QStringLiteral("&lt;b&gt;&nbsp;x")), QStringLiteral("<b> x"));
}

TEST(HTMLText, TagsAndColours)
{
    const THTMLTag tag = ParseHTMLTag(QStringLiteral("img SRC=\"idx:1\" align=middle  Width=20"));
    EXPECT_EQ(tag.Name, QStringLiteral("IMG"));
    ASSERT_EQ(tag.Attributes.size(), 3);
    EXPECT_EQ(tag.Value(QStringLiteral("SRC")), QStringLiteral("idx:1"));
    EXPECT_TRUE(tag.Find(QStringLiteral("SRC"))->Quoted);
    EXPECT_FALSE(tag.Find(QStringLiteral("ALIGN"))->Quoted);
    EXPECT_EQ(tag.Int(QStringLiteral("WIDTH"), 0, 100), 20);
    EXPECT_EQ(tag.Int(QStringLiteral("ALIGN"), 0, 100), std::nullopt);
    EXPECT_EQ(ParseHTMLTag(QStringLiteral("font size=99999999999")).Int(QStringLiteral("SIZE"), 1, 500), 500);

    const QPalette pal;
    EXPECT_EQ(ParseHTMLColor(QStringLiteral("ClGreen"), pal), QColor(0, 128, 0));
    EXPECT_EQ(ParseHTMLColor(QStringLiteral("#102030"), pal), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(ParseHTMLColor(QStringLiteral("clhighlight"), pal), pal.color(QPalette::Highlight));
    EXPECT_EQ(ParseHTMLColor(QStringLiteral("#12345"), pal), std::nullopt);
    EXPECT_EQ(ParseHTMLColor(QStringLiteral("#12345G"), pal), std::nullopt);
    EXPECT_EQ(ParseHTMLColor(QStringLiteral("purpleish"), pal), std::nullopt);
}

TEST(HTMLLayout, EmptyTextIsOneLineOfTextHeight)
{
    const THTMLResult r = Measure(QString(), 200);
    EXPECT_EQ(r.Height, Gh());
    EXPECT_EQ(r.Width, 0);
    EXPECT_EQ(Draw(QString(), QSize(40, 20)), [] {
        QImage white(40, 20, QImage::Format_RGB32);
        white.fill(Qt::white);
        return white;
    }());
}

TEST(HTMLLayout, AmpersandEntityShowsOneAmpersand)
{
    const QFontMetrics fm{QFont()};
    EXPECT_EQ(Measure(QStringLiteral("A&amp;B"), 500).Width, fm.horizontalAdvance(QStringLiteral("A&B")));
}

TEST(HTMLLayout, WordsWrapAndAnOverlongWordStandsAlone)
{
    const QFontMetrics fm{QFont()};
    const int word = fm.horizontalAdvance(QStringLiteral("word "));
    // Three words in a width that holds two.
    THTMLResult r = Measure(QStringLiteral("word word word"), 2 * word + 2);
    EXPECT_EQ(r.Lines, 2);
    EXPECT_EQ(r.Height, 2 * Gh());

    const QString longWord(40, QLatin1Char('m'));
    r = Measure(QStringLiteral("a ") + longWord + QStringLiteral(" b"), 60);
    EXPECT_EQ(r.Lines, 3);
    EXPECT_EQ(r.Width, fm.horizontalAdvance(longWord + QLatin1Char(' ')));

    // A word must fit together with its trailing space.
    const int fitsWithoutSpace =
        fm.horizontalAdvance(QStringLiteral("aaa ")) + fm.horizontalAdvance(QStringLiteral("bbb"));
    EXPECT_EQ(Measure(QStringLiteral("aaa bbb "), fitsWithoutSpace).Lines, 2);
    EXPECT_EQ(Measure(QStringLiteral("aaa bbb"), fitsWithoutSpace).Lines, 1);

    // Without word wrap nothing moves to a next line.
    THTMLOptions o = Plain();
    o.WordWrap = false;
    EXPECT_EQ(Measure(QStringLiteral("word word word"), 2 * word + 2, o).Lines, 1);
}

TEST(HTMLLayout, LineEndingTags)
{
    EXPECT_EQ(Measure(QStringLiteral("a<br>b<BR>c"), 500).Lines, 3);
    EXPECT_EQ(Measure(QStringLiteral("a<hr>b"), 500).Lines, 2);
    EXPECT_EQ(Measure(QStringLiteral("<p>a</p>b"), 500).Lines, 2);
    EXPECT_EQ(Measure(QStringLiteral("a<b>b</b><i>c</i>"), 500).Lines, 1);

    // The rule is one black pixel row across the whole width, below the line.
    const QImage img = Draw(QStringLiteral("<hr>"), QSize(50, 40));
    const int y = Gh() + 1;
    EXPECT_EQ(InkColumns(img, qRgb(0, 0, 0), y, y), std::make_pair(0, 49));
    EXPECT_EQ(InkRows(img, qRgb(0, 0, 0)), 1);
}

TEST(HTMLLayout, ImagesFromTheList)
{
    TImageList list(QSize(16, 16));
    QPixmap red(16, 16);
    red.fill(Qt::red);
    list.Add(red);
    list.Add(red);
    THTMLOptions o = Plain();
    o.Images = &list;

    const int ab = Measure(QStringLiteral("a<x>b"), 500, o).Width;  // the same two runs
    EXPECT_EQ(Measure(QStringLiteral("a<img src=\"idx:5\">b"), 500, o).Width, ab);
    EXPECT_EQ(Measure(QStringLiteral("a<img src=\"idx:-1\">b"), 500, o).Width, ab);
    EXPECT_EQ(Measure(QStringLiteral("a<IMG SRC=idx:1>b"), 500, o).Width, ab + 16);

    o.ImageScale = 2.0;
    const THTMLResult big = Measure(QStringLiteral("<img src=\"idx:0\">"), 500, o);
    EXPECT_EQ(big.Width, 32);
    EXPECT_EQ(big.Height, std::max(32, Gh()));

    // An image that does not fit after a word starts the next line.
    o.ImageScale = 1.0;
    const QFontMetrics fm{QFont()};
    EXPECT_EQ(Measure(QStringLiteral("abc<img src=idx:0>"), fm.horizontalAdvance(QStringLiteral("abc")) + 8, o).Lines,
              2);

    const QImage img = Draw(QStringLiteral("<img src=idx:0>"), QSize(40, 40), o);
    EXPECT_EQ(InkColumns(img, qRgb(255, 0, 0)), std::make_pair(0, 15));
}

TEST(HTMLLayout, MiddleAlignedImageLiftsTheText)
{
    TImageList list(QSize(60, 60));
    QPixmap blue(60, 60);
    blue.fill(Qt::blue);
    list.Add(blue);
    THTMLOptions o = Plain();
    o.Images = &list;
    auto textBottom = [&](const QString& markup) {
        const QImage img = Draw(markup, QSize(200, 80), o);
        int bottom = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 70; x < 200; ++x)
                if (img.pixel(x, y) == qRgb(0, 0, 0)) bottom = y;
        return bottom;
    };
    const int plain = textBottom(QStringLiteral("<img src=idx:0>xxxx"));
    const int unquoted = textBottom(QStringLiteral("<img src=idx:0 align=middle>xxxx"));
    const int middle = textBottom(QStringLiteral("<img src=idx:0 align=\"middle\">xxxx"));
    const int top = textBottom(QStringLiteral("<img src=idx:0 align=\"top\">xxxx"));
    EXPECT_EQ(unquoted, plain);  // an unquoted value has no effect
    EXPECT_EQ(plain - middle, (60 - Gh()) / 2);
    EXPECT_EQ(plain - top, 60 - Gh());
}

TEST(HTMLLayout, ParagraphAlignmentAndIndent)
{
    const QImage right = Draw(QStringLiteral("<p align=right>xx</p>"), QSize(200, 30));
    const auto [rFirst, rLast] = InkColumns(right, qRgb(0, 0, 0));
    EXPECT_GT(rFirst, 150);
    EXPECT_GE(rLast, 190);

    const QImage centre = Draw(QStringLiteral("<p align=\"center\">xx</p>"), QSize(200, 30));
    const auto [cFirst, cLast] = InkColumns(centre, qRgb(0, 0, 0));
    EXPECT_NEAR((cFirst + cLast) / 2, 100, 4);

    const QImage indented = Draw(QStringLiteral("<p indent=40>xx</p>"), QSize(200, 30));
    EXPECT_GE(InkColumns(indented, qRgb(0, 0, 0)).first, 40);

    const QImage ind = Draw(QStringLiteral("x<ind x=\"120\">x"), QSize(200, 30));
    EXPECT_GE(InkColumns(ind, qRgb(0, 0, 0)).second, 120);
}

TEST(HTMLLayout, FontsColoursAndHiddenText)
{
    const QImage red = Draw(QStringLiteral("<font color=clred>xx</font>xx"), QSize(200, 30));
    const auto [redFirst, redLast] = InkColumns(red, qRgb(255, 0, 0));
    EXPECT_GE(redFirst, 0);
    EXPECT_LT(redLast, InkColumns(red, qRgb(0, 0, 0)).first);

    // Size 5 is 16 points; the line grows to the taller run.
    QFont sixteen;
    sixteen.setPointSize(16);
    EXPECT_EQ(Measure(QStringLiteral("a<font size=5>b</font>"), 500).Height, Gh(sixteen));
    EXPECT_EQ(Measure(QStringLiteral("<font size=5>b</font><br>a"), 500).Height, Gh(sixteen) + Gh());

    EXPECT_EQ(Measure(QStringLiteral("ab<z>hidden words</z>"), 500).Width, Measure(QStringLiteral("ab"), 500).Width);
    EXPECT_EQ(Measure(QStringLiteral("a&b"), 500).Width, Measure(QStringLiteral("ab"), 500).Width);

    const QImage bg = Draw(QStringLiteral("<p bgcolor=\"#00FF00\">x</p><br>y"), QSize(100, 60));
    EXPECT_EQ(bg.pixel(99, 1), qRgb(0, 255, 0));               // the paragraph's line
    EXPECT_EQ(bg.pixel(99, 2 * Gh() + 2), qRgb(255, 255, 255));  // not the lines after /P

    const int plain = Measure(QStringLiteral("x"), 500).Height;
    EXPECT_EQ(Measure(QStringLiteral("x<sup>2</sup>"), 500).Height, plain + Gh() / 4);
    EXPECT_EQ(Measure(QStringLiteral("x<sub>2</sub><sup>3</sup>"), 500).Height, plain + 2 * (Gh() / 4));
}

TEST(HTMLLayout, DecorationsDrawInTheirColours)
{
    THTMLOptions o = Plain();
    o.ShadowColor = QColor(0, 200, 0);
    o.ShadowOffset = 3;
    const QImage shadow = Draw(QStringLiteral("<shad>II</shad>"), QSize(60, 30), o);
    int greenish = 0;
    for (int y = 0; y < shadow.height(); ++y)
        for (int x = 0; x < shadow.width(); ++x) {
            const QColor c = shadow.pixelColor(x, y);
            greenish += c.green() > c.red() + 60 && c.green() > c.blue() + 60;
        }
    EXPECT_GT(greenish, 4);

    o.Palette.setColor(QPalette::Highlight, QColor(0, 0, 130));
    EXPECT_GE(InkColumns(Draw(QStringLiteral("a<hi>xx</hi>"), QSize(60, 30), o), qRgb(0, 0, 130)).first, 1);
    EXPECT_GE(InkColumns(Draw(QStringLiteral("<e>word</e>"), QSize(60, 30), o), qRgb(255, 0, 0)).first, 0);
    // The anchor under the mouse takes the hover colours; the others do not.
    o.Hover = true;
    o.HoverColor = QColor(250, 200, 0);
    o.HoverAnchor = 1;
    const QImage hover = Draw(QStringLiteral("<a href=a>one</a> <a href=b>two</a>"), QSize(100, 30), o);
    const auto [hoverFirst, hoverLast] = InkColumns(hover, qRgb(250, 200, 0));
    EXPECT_GT(hoverFirst, 10);  // after "one "
    EXPECT_GT(hoverLast, hoverFirst);
    o.Hover = false;
    EXPECT_EQ(InkColumns(Draw(QStringLiteral("<a href=a>one</a> <a href=b>two</a>"), QSize(100, 30), o),
                         qRgb(250, 200, 0)).first,
              -1);

    const QImage body = Draw(QStringLiteral("<body bgcolor=clyellow>x"), QSize(60, 30), o);
    EXPECT_EQ(body.pixel(59, 29), qRgb(255, 255, 0));
    // An over-long run with Ellipsis on stays inside the rectangle.
    o.Ellipsis = true;
    o.WordWrap = false;
    EXPECT_LE(InkColumns(Draw(QString(40, QLatin1Char('m')), QSize(60, 30), o), qRgb(0, 0, 0)).second, 59);
    EXPECT_LE(Measure(QString(40, QLatin1Char('m')), 60, o).Width, 60);
}

TEST(HTMLLayout, DrawingStopsBelowTheRectangle)
{
    QImage img(100, Gh() + 2, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    const THTMLResult r = RenderHTML(PrepareHTMLText({QStringLiteral("a<br>b<br>c<br>d")}), img.rect(), Plain(),
                                     THTMLPass::Draw, &p);
    EXPECT_EQ(r.Lines, 2);
    EXPECT_EQ(Measure(QStringLiteral("a<br>b<br>c<br>d"), 100).Lines, 4);
}

TEST(HTMLLayout, AnchorsAreNumberedAndBoxed)
{
    const QString markup = QStringLiteral("Click <a href=\"new\">Next</a> or <A HREF=save>here</A>");
    const THTMLResult r =
        RenderHTML(PrepareHTMLText({markup}), QRect(0, 0, 500, 100), Plain(), THTMLPass::HitTest);
    ASSERT_EQ(r.Anchors.size(), 2);
    EXPECT_EQ(r.Anchors[0].Index, 0);
    EXPECT_EQ(r.Anchors[0].Href, QStringLiteral("new"));
    EXPECT_EQ(r.Anchors[1].Index, 1);
    EXPECT_EQ(r.Anchors[1].Href, QStringLiteral("save"));
    EXPECT_LT(r.Anchors[0].Box.right(), r.Anchors[1].Box.left());

    // No URL colour leaves anchors in the text colour; no shadow colour draws
    // the shadow in the text colour.
    THTMLOptions none = Plain();
    none.FontColor = QColor(200, 0, 0);
    none.URLColor = QColor();
    EXPECT_GT(InkColumns(Draw(QStringLiteral("<a href=x>link</a>"), QSize(100, 30), none), qRgb(200, 0, 0)).first, -1);
    none.ShadowColor = QColor();
    none.ShadowOffset = 3;
    none.Font.setPointSize(20);
    none.Font.setBold(true);
    const int unshadowed = InkColumns(Draw(QStringLiteral("HH"), QSize(100, 50), none), qRgb(200, 0, 0)).second;
    ASSERT_GT(unshadowed, 0);
    EXPECT_EQ(InkColumns(Draw(QStringLiteral("<shad>HH</shad>"), QSize(100, 50), none), qRgb(200, 0, 0)).second,
              unshadowed + 3);

    // Anchor text takes the URL colour unless a font colour is in force.
    THTMLOptions o = Plain();
    o.URLColor = QColor(0, 0, 255);
    EXPECT_GT(InkColumns(Draw(QStringLiteral("<a href=x>link</a>"), QSize(100, 30), o), qRgb(0, 0, 255)).first, -1);
    EXPECT_EQ(InkColumns(Draw(QStringLiteral("<font color=clred><a href=x>link</a></font>"), QSize(100, 30), o),
                         qRgb(0, 0, 255))
                  .first,
              -1);
}

// ---------------------------------------------------------------------------

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
public slots:
    void Open(const QUrl& url) { Urls.append(url); }
};

class HTMLabelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        label.resize(400, 80);
        label.SetHTMLText({QStringLiteral("<a href=\"save\">Save</a> and <a href=\"https://example.org\">site</a>")});
        label.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
        const THTMLResult r = RenderHTML(PrepareHTMLText(label.HTMLText()), label.TextRect(), THTMLOptions{[&] {
                                             THTMLOptions o;
                                             o.Font = label.font();
                                             return o;
                                         }()},
                                         THTMLPass::HitTest);
        ASSERT_EQ(r.Anchors.size(), 2);
        save = r.Anchors[0].Box.center();
        site = r.Anchors[1].Box.center();
    }

    THTMLabel label;
    QPoint save, site;
};

TEST_F(HTMLabelTest, ClickOnAnAnchorFiresTheEvent)
{
    QSignalSpy clicks(&label, &THTMLabel::OnAnchorClick);
    QTest::mouseClick(&label, Qt::LeftButton, {}, save);
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks[0][1].toString(), QStringLiteral("save"));

    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(390, 70));  // not on an anchor
    EXPECT_EQ(clicks.size(), 1);
}

TEST_F(HTMLabelTest, ClickOnAWebAnchorOpensItThroughTheShell)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    QSignalSpy clicks(&label, &THTMLabel::OnAnchorClick);
    QTest::mouseClick(&label, Qt::LeftButton, {}, site);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    EXPECT_EQ(clicks.size(), 0);
    ASSERT_EQ(catcher.Urls.size(), 1);
    EXPECT_EQ(catcher.Urls[0], QUrl(QStringLiteral("https://example.org")));
}

TEST_F(HTMLabelTest, HoveringAnAnchorShowsTheHandAndFiresEnterAndExit)
{
    QSignalSpy enter(&label, &THTMLabel::OnAnchorEnter);
    QSignalSpy exit(&label, &THTMLabel::OnAnchorExit);
    QTest::mouseMove(&label, save);
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(label.HoverAnchor(), 0);
    ASSERT_EQ(enter.size(), 1);
    EXPECT_EQ(enter[0][1].toString(), QStringLiteral("save"));

    QTest::mouseMove(&label, site);
    EXPECT_EQ(enter.size(), 2);
    EXPECT_EQ(exit.size(), 0);

    QTest::mouseMove(&label, QPoint(390, 70));
    EXPECT_EQ(label.cursor().shape(), Qt::ArrowCursor);
    ASSERT_EQ(exit.size(), 1);
    EXPECT_EQ(exit[0][1].toString(), QStringLiteral("https://example.org"));
    EXPECT_EQ(label.HoverAnchor(), -1);
}

TEST(HTMLabel, VerticalAlignmentMovesTheHitBoxes)
{
    THTMLabel label;
    label.resize(300, 100);
    label.SetHTMLText({QStringLiteral("<a href=\"x\">anchor</a>")});
    const QPoint top(5, Gh(label.font()) / 2);
    EXPECT_EQ(label.AnchorAt(top), QStringLiteral("x"));
    label.SetVAlignment(TVAlignment::tvaBottom);
    EXPECT_EQ(label.AnchorAt(top), QString());
    EXPECT_EQ(label.AnchorAt(QPoint(5, 100 - Gh(label.font()) / 2)), QStringLiteral("x"));
}

TEST(HTMLabel, AutoSizingFitsTheText)
{
    THTMLabel label;
    label.resize(300, 10);
    label.SetHTMLText({QStringLiteral("one<br>two<br>three")});
    label.SetAutoSizing(true);
    EXPECT_EQ(label.height(), 3 * Gh(label.font()) + 6);
    EXPECT_EQ(label.width(), 300);

    label.SetAutoSizeType(TAutoSizeType::asBoth);
    EXPECT_EQ(label.width(), QFontMetrics(label.font()).horizontalAdvance(QStringLiteral("three")) + 6);
}

TEST(HTMLabel, BevelsAndBorderShrinkTheTextRectangle)
{
    THTMLabel label;
    label.resize(100, 50);
    label.SetBevelOuter(TBevelCut::bvLowered);
    label.SetBevelInner(TBevelCut::bvRaised);
    label.SetBevelWidth(2);
    label.SetBorderWidth(3);
    EXPECT_EQ(label.TextRect(), QRect(7, 7, 86, 36));
}

#include "test_htmlabel.moc"
