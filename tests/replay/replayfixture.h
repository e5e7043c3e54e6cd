#pragma once

// What the replay tests share: a runner over a settings store and a folder of its own, scripts
// played into it in the same process, and small script builders.

#include "canvas/view/drawview.h"
#include "replay/replayrunner.h"
#include "settings/defaults.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>

namespace pennova::test {

// A stroke along y = viewY from x0 to x1, one sample every 2 pixels (slow enough for the full
// width), with pressure when given (a tablet stroke), else with the mouse.
inline QString stroke(int x0, int x1, int viewY, const QString &pressure = QString())
{
    const QString p = pressure.isEmpty() ? QString() : QLatin1Char(' ') + pressure;
    QString text = QStringLiteral("down %1 %2%3\n").arg(x0).arg(viewY).arg(p);
    for (int x = x0 + 2; x <= x1; x += 2)
        text += QStringLiteral("move %1 %2%3\n").arg(x).arg(viewY).arg(p);
    return text + QStringLiteral("up %1 %2\n").arg(x1).arg(viewY);
}

inline std::string messages(const ReplayResult &result)
{
    return result.messages.join(QLatin1Char('\n')).toStdString();
}

// Relative paths in the scripts are files in the fixture's temporary folder.
class ReplayFixture : public ::testing::Test
{
protected:
    ReplayFixture()
        : m_defaults(m_dir.filePath(QStringLiteral("replay.conf")))
        , m_runner(m_defaults, m_dir.path())
    { }

    // Runs a script that must pass.
    void runOk(const QString &text)
    {
        const ReplayResult result = m_runner.runText(text);
        EXPECT_EQ(result.exitCode(), 0) << messages(result);
    }

    // Runs a script that must stop with an error, and returns its messages.
    std::string runError(const QString &text)
    {
        const ReplayResult result = m_runner.runText(text);
        EXPECT_EQ(result.exitCode(), 2) << messages(result);
        return messages(result);
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QImage canvas() const { return m_runner.drawView()->surface().image().copy(); }

    QTemporaryDir m_dir;
    Defaults m_defaults;
    ReplayRunner m_runner;
};

} // namespace pennova::test
