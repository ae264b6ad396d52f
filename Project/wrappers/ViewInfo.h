#pragma once

#include <Bsc/Colour3.h>

#include <QString>

// Name, abbreviation and display colour of one view of a project.
class ViewInfo
{
public:
    ViewInfo() = default;
    ViewInfo(const QString& name, const QString& abbr, const Bsc::Colour3<float>& color)
        : m_name(name), m_abbr(abbr), m_color(color)
    {
    }
    virtual ~ViewInfo() = default;

    QString get_name() const { return m_name; }
    void set_name(const QString& name) { m_name = name; }
    QString get_abbr() const { return m_abbr; }
    void set_abbr(const QString& abbr) { m_abbr = abbr; }
    Bsc::Colour3<float> get_color() const { return m_color; }
    void set_color(const Bsc::Colour3<float>& color) { m_color = color; }

    // Same object, or equal names, abbreviations and colour components.
    bool operator==(const ViewInfo& other) const;

    // plinx.project.ViewInfo("<name>", "<abbr>", (<red>, <green>, <blue>))
    QString __repr__() const;

private:
    QString m_name;
    QString m_abbr;
    Bsc::Colour3<float> m_color{0.0f, 0.0f, 0.0f};
};
