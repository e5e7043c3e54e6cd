// pennova-toolboxgen SOURCE.json OUTPUT.pntb: turns the readable description of a tool box (the
// default tool box in resources/) into the tool-box file the program reads, at build time. Every
// mistake in the description stops the build with its reason.

#include "canvas/atomicfile.h"
#include "palette/toolboxfile.h"
#include "settings/colorarchive.h"
#include "settings/defaultskeys.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <cmath>
#include <cstdio>
#include <optional>

using namespace pennova;

namespace {

struct ToolKind
{
    QString name;
    int type;
    // The settings in the tool's display order, as the tool-box file lists them.
    QStringList settings;
};

const ToolKind kKinds[] = {
    { QStringLiteral("pen"), ToolRecord::kPenType,
        { keys::BrushSizeMin, keys::BrushSize, keys::Color, keys::Ink } },
    { QStringLiteral("eraser"), ToolRecord::kEraserType,
        { keys::EraserSize, keys::EraserStrength } },
};

const ToolKind *kindNamed(const QString &name)
{
    for (const ToolKind &kind : kKinds) {
        if (kind.name == name)
            return &kind;
    }
    return nullptr;
}

std::optional<QByteArray> colorFrom(const QJsonValue &value)
{
    const QJsonArray parts = value.toArray();
    if (!value.isArray() || parts.size() < 3 || parts.size() > 4)
        return std::nullopt;
    float c[4] = { 0, 0, 0, 1 };
    for (int i = 0; i < parts.size(); ++i) {
        const double v = parts.at(i).toDouble(-1.0);
        if (!parts.at(i).isDouble() || v < 0.0 || v > 1.0)
            return std::nullopt;
        c[i] = float(v);
    }
    return ColorArchive::encode(RgbaColor { c[0], c[1], c[2], c[3] });
}

std::optional<ToolRecord> recordFrom(const QJsonObject &tool, int index, QString &error)
{
    const QString where = QStringLiteral("tool %1").arg(index + 1);
    const ToolKind *kind = kindNamed(tool.value(QStringLiteral("type")).toString());
    const QString name = tool.value(QStringLiteral("name")).toString();
    if (!kind) {
        error = where + QStringLiteral(": \"type\" must be \"pen\" or \"eraser\"");
        return std::nullopt;
    }
    if (name.trimmed().isEmpty()) {
        error = where + QStringLiteral(": \"name\" must be a text that is not blank");
        return std::nullopt;
    }
    for (const QString &member : tool.keys()) {
        if (member != QLatin1String("name") && member != QLatin1String("type")
            && !kind->settings.contains(member)) {
            error = QStringLiteral("%1 (%2): a %3 has no setting \"%4\"")
                        .arg(where, name, kind->name, member);
            return std::nullopt;
        }
    }
    ToolRecord record(name, kind->type);
    for (const QString &key : kind->settings) {
        if (!tool.contains(key))
            continue;
        const QJsonValue value = tool.value(key);
        if (key == keys::Color) {
            const std::optional<QByteArray> color = colorFrom(value);
            if (!color) {
                error = QStringLiteral("%1 (%2): \"clr\" must be 3 or 4 numbers from 0 to 1")
                            .arg(where, name);
                return std::nullopt;
            }
            record.insert(key, *color);
        } else {
            const double number = value.toDouble(-1.0);
            if (!value.isDouble() || number != std::floor(number) || number < 0 || number > 100) {
                error = QStringLiteral("%1 (%2): \"%3\" must be a whole number")
                            .arg(where, name, key);
                return std::nullopt;
            }
            record.insert(key, qint32(number));
        }
    }
    return record;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: pennova-toolboxgen SOURCE.json OUTPUT.pntb\n");
        return 2;
    }
    const auto fail = [&](const QString &message) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(args.at(1)), qPrintable(message));
        return 1;
    };
    QFile source(args.at(1));
    if (!source.open(QIODevice::ReadOnly))
        return fail(source.errorString());
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(source.readAll(), &parseError);
    if (document.isNull())
        return fail(
            parseError.errorString() + QStringLiteral(" at offset %1").arg(parseError.offset));
    const QJsonValue toolsValue = document.object().value(QStringLiteral("tools"));
    if (!toolsValue.isArray())
        return fail(QStringLiteral("there is no \"tools\" list"));

    QList<ToolRecord> records;
    const QJsonArray tools = toolsValue.toArray();
    for (int i = 0; i < tools.size(); ++i) {
        QString error;
        const std::optional<ToolRecord> record = recordFrom(tools.at(i).toObject(), i, error);
        if (!record)
            return fail(error);
        records.append(*record);
    }
    const QString error = atomicfile::writeFile(args.at(2), toolboxfile::encode(records));
    if (!error.isEmpty())
        return fail(QStringLiteral("cannot write %1: %2").arg(args.at(2), error));
    return 0;
}
