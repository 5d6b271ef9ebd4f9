#include "TestSupport.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// The layer order written at the top of src/CMakeLists.txt, lowest first.
QStringList LayerOrder(const QString& cmakeLists) {
    QFile file(cmakeLists);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].contains("Layers of src/core")) {
            QString order = lines[i + 1];
            return order.remove('#').simplified().remove(' ').split(',');
        }
    }
    return {};
}

// Every include in a core tree that reaches a higher layer, a folder outside the
// order, or the windows and programs built on the core.
QStringList LayerViolations(const QString& coreRoot, const QStringList& order) {
    static const QRegularExpression include(R"re(^\s*#\s*include\s*"([^/"]+)/[^"]*")re",
                                            QRegularExpression::MultilineOption);
    QStringList violations;
    QDirIterator it(coreRoot, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(coreRoot.size() + 1);
        const int own = order.indexOf(relative.section('/', 0, 0));
        if (own < 0)
            violations << relative + ": its folder is not in the layer order";
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            violations << relative + ": unreadable";
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch& m : include.globalMatch(text)) {
            const int used = order.indexOf(m.captured(1));
            if (used < 0 || used > own)
                violations << relative + " includes " + m.captured(0).trimmed();
        }
    }
    return violations;
}

} // namespace

TEST(Layering, CoreIncludesOnlyItsOwnAndLowerLayers) {
    const QStringList order = LayerOrder(TIDEWELL_SOURCE_DIR "/src/CMakeLists.txt");
    ASSERT_GE(order.size(), 9) << order.join(',').toStdString();
    EXPECT_EQ(order.first(), "base");
    EXPECT_EQ(order.last(), "program");
    const QStringList violations = LayerViolations(TIDEWELL_SOURCE_DIR "/src/core", order);
    EXPECT_TRUE(violations.isEmpty()) << violations.join('\n').toStdString();
}

TEST(Layering, UpwardAndWindowIncludesAreCaught) {
    TestFolder tree;
    tree.write("lang/A.h", "#include \"base/X.h\"\n#include \"lang/Y.h\"\n");
    tree.write("lang/B.cpp", "#include \"station/Z.h\"\n");
    tree.write("station/C.cpp", "  #  include \"gui/TFr_Station.h\"\n#include <QWidget>\n");
    tree.write("extra/D.h", "");
    const QStringList violations =
        LayerViolations(QFileInfo(tree.path("lang")).path(), {"base", "lang", "station"});
    EXPECT_EQ(violations.size(), 3) << violations.join('\n').toStdString();
    EXPECT_EQ(violations.filter("lang/B.cpp includes").size(), 1);
    EXPECT_EQ(violations.filter("station/C.cpp includes").size(), 1);
    EXPECT_EQ(violations.filter("extra/D.h: its folder").size(), 1);
}
