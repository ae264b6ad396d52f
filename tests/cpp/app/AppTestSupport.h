#pragma once

#include <Bsc/Logger.h>
#include <Product/Product.h>
#include <Product/Settings.h>

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace AppTest {

// One call a line: gtest shows a line diff when two such texts differ.
inline std::string lines(const QStringList& calls)
{
    return calls.join(QLatin1Char('\n')).toStdString();
}

// The calls that the GUI and product libraries recorded in the given log
// lines (by default the in-memory log), oldest first.
inline QStringList recordedCalls(const QStringList& logLines = Bsc::Logger::journal())
{
    const QString prefix = QStringLiteral("debug: call ");
    QStringList calls;
    for (const QString& line : logLines)
        if (line.startsWith(prefix))
            calls << line.mid(prefix.size());
    return calls;
}

// Points the product's settings at an empty folder of its own for its
// lifetime, through XDG_CONFIG_HOME as a user would.
class TemporarySettings
{
public:
    TemporarySettings()
        : m_hadConfigHome(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")), m_oldConfigHome(qgetenv("XDG_CONFIG_HOME"))
    {
        EXPECT_TRUE(m_folder.isValid());
        qputenv("XDG_CONFIG_HOME", m_folder.path().toLocal8Bit());
        Product::Settings::reload();
    }
    ~TemporarySettings()
    {
        if (m_hadConfigHome)
            qputenv("XDG_CONFIG_HOME", m_oldConfigHome);
        else
            qunsetenv("XDG_CONFIG_HOME");
        Product::Settings::reload();
    }
    TemporarySettings(const TemporarySettings&) = delete;
    TemporarySettings& operator=(const TemporarySettings&) = delete;

    QString folder() const { return m_folder.path(); }

    // What the store holds, read without recording a call.
    static QVariant stored(const QString& key) { return Product::Settings::get().value(key); }

private:
    QTemporaryDir m_folder;
    bool m_hadConfigHome;
    QByteArray m_oldConfigHome;
};

// Restores the running product when the test ends.
class ProductScope
{
public:
    ProductScope() : m_saved(Product::get()) {}
    ~ProductScope() { Product::set(m_saved); }
    ProductScope(const ProductScope&) = delete;
    ProductScope& operator=(const ProductScope&) = delete;

private:
    Product::Info m_saved;
};

} // namespace AppTest
