// The mark-up language of the HTML label: text preparation, tags and colours.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <QStringList>

#include <optional>

// Joins the lines and resolves the entities that must be gone before layout:
// "&amp;" becomes "&&" (the text output shows one ampersand), the first "<#"
// loses its angle brackets, line feeds vanish and carriage returns become <BR>.
QString PrepareHTMLText(const QStringList& lines);

// Resolves the entities that may stand inside a text run (&nbsp; &lt; &gt;).
QString DecodeRunEntities(QString run);

// A parsed tag: "<FONT color=clred>" has Name "FONT"; "</B>" has Name "/B".
struct THTMLTag {
    QString Name;  // upper case
    struct Attribute {
        QString Name;  // upper case
        QString Value;
        bool Quoted = false;
    };
    QList<Attribute> Attributes;

    const Attribute* Find(const QString& upperName) const;
    QString Value(const QString& upperName) const;
    // An integer attribute, clamped to [lo, hi]; nothing when absent or not a number.
    std::optional<int> Int(const QString& upperName, int lo, int hi) const;
};

// Parses the text between "<" and ">".
THTMLTag ParseHTMLTag(const QString& inner);

// A colour given by name ("clRed", compared without regard to case) or as "#RRGGBB".
std::optional<QColor> ParseHTMLColor(const QString& value, const QPalette& palette);
