// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/commandline.h"

#include "platform/commandline.h"
#include "zelvan/version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// Qt's options as Qt 6.4 takes them out of the command line while
// QApplication is made: QCoreApplication's, QGuiApplication's and
// QApplication's, and the X11 platform's, with -geometry, -title and -icon,
// the X11 names of -qwindowgeometry, -qwindowtitle and -qwindowicon. Qt reads
// each with one dash or two, takes the next argument as its value whatever
// it looks like, and reads a value after "=" in the same argument only for
// the three options marked so; "-platform=xcb" is nothing to Qt.
struct QtOption {
    const char* name;
    bool takesValue;
    bool valueAfterEquals;
    bool x11;
};

// clang-format off
constexpr QtOption kQtOptions[] = {
    // name                 value  "=" too  X11 only
    {"platform",            true,  false,   false},
    {"platformpluginpath",  true,  false,   false},
    {"platformtheme",       true,  false,   false},
    {"plugin",              true,  false,   false},
    {"qwindowgeometry",     true,  false,   false},
    {"qwindowtitle",        true,  false,   false},
    {"qwindowicon",         true,  false,   false},
    {"reverse",             false, false,   false},
    {"session",             true,  false,   false},
    {"testability",         false, false,   false},
    {"style",               true,  true,    false},
    {"stylesheet",          true,  true,    false},
    {"widgetcount",         false, false,   false},
    {"qmljsdebugger",       true,  true,    false},
    {"display",             true,  false,   true},
    {"name",                true,  false,   true},
    {"visual",              true,  false,   true},
    {"nograb",              false, false,   true},
    {"dograb",              false, false,   true},
    {"geometry",            true,  false,   true},
    {"title",               true,  false,   true},
    {"icon",                true,  false,   true},
};
// clang-format on

const QtOption* findQtOption(const QString& name)
{
    const bool x11 = platform::qtMayReadX11Options();
    const auto* found = std::find_if(std::begin(kQtOptions), std::end(kQtOptions), [&](const QtOption& option) {
        return (x11 || !option.x11) && name == QLatin1String(option.name);
    });
    return found == std::end(kQtOptions) ? nullptr : found;
}

// An argument read as an option: "--platform=xcb" is typed "--platform",
// named "platform", with a value.
struct OptionWord {
    QString typed;
    QString name;
    bool hasValue = false;
};

std::optional<OptionWord> optionWord(const QString& argument)
{
    if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("--"))
        return std::nullopt;
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    OptionWord word;
    word.typed = equals < 0 ? argument : argument.left(equals);
    word.name = word.typed.mid(word.typed.startsWith(QLatin1String("--")) ? 2 : 1);
    word.hasValue = equals >= 0;
    return word;
}

// "-v, --version", as the help lists an option.
QString spelled(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names.append((name.size() == 1 ? QLatin1String("-") : QLatin1String("--")) + name);
    return names.join(QLatin1String(", "));
}

QString helpText(const QList<QCommandLineOption>& options)
{
    qsizetype width = 0;
    for (const QCommandLineOption& option : options)
        width = std::max(width, spelled(option).size());
    QString text = QStringLiteral("用法：zelvan [选项]\n"
                                  "印制电路板生产常用计量单位换算。不带选项时打开主窗口。\n"
                                  "\n"
                                  "选项：\n");
    for (const QCommandLineOption& option : options)
        text += QLatin1String("  ") + spelled(option).leftJustified(width + 2) + option.description() + u'\n';
    text += QStringLiteral("\nQt 的标准选项（-platform、-style、-reverse 等）照常有效。\n");
    return text;
}

CommandLineAnswer mistake(const QString& what)
{
    return {QStringLiteral("zelvan：%1\n用“zelvan --help”查看可用的选项。\n").arg(what), true, kCommandLineMistake};
}

} // namespace

std::optional<CommandLineAnswer> readCommandLine(const QStringList& arguments)
{
    const QCommandLineOption help({QStringLiteral("?"), QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("显示本帮助后退出"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("显示版本号后退出"));
    const QList<QCommandLineOption> ownOptions{help, version};
    const auto isOwn = [&](const QString& name) {
        return std::any_of(ownOptions.begin(), ownOptions.end(),
                           [&](const QCommandLineOption& option) { return option.names().contains(name); });
    };

    // Qt's options go, with their values, as QApplication will take them;
    // what Qt would not take is a mistake here rather than a silent no-op.
    QStringList rest{arguments.value(0)};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const std::optional<OptionWord> word = optionWord(arguments.at(i));
        const QtOption* qt = word ? findQtOption(word->name) : nullptr;
        if (qt == nullptr) {
            if (word && word->hasValue && isOwn(word->name))
                return mistake(QStringLiteral("选项“%1”不带值。").arg(word->typed));
            rest.append(arguments.at(i));
            continue;
        }
        if (word->hasValue && !qt->takesValue)
            return mistake(QStringLiteral("选项“%1”不带值。").arg(word->typed));
        if (word->hasValue && !qt->valueAfterEquals)
            return mistake(QStringLiteral("选项“%1”的值须另作一个参数，如“%1 值”。").arg(word->typed));
        if (qt->takesValue && !word->hasValue) {
            if (i + 1 == arguments.size())
                return mistake(QStringLiteral("选项“%1”缺少值。").arg(word->typed));
            ++i;
        }
    }

    // Zelvan's own options, one dash or two ("-version" as Qt's own tools
    // take it); no option takes a value and the program takes no file.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(ownOptions);
    parser.parse(rest);
    if (!parser.unknownOptionNames().isEmpty()) {
        // Named as it was typed, "-bogus" or "--bogus".
        const QString name = parser.unknownOptionNames().constFirst();
        QString typed = name;
        for (const QString& argument : std::as_const(rest)) {
            if (const std::optional<OptionWord> word = optionWord(argument); word && word->name == name) {
                typed = word->typed;
                break;
            }
        }
        return mistake(QStringLiteral("未知选项“%1”。").arg(typed));
    }
    if (!parser.positionalArguments().isEmpty())
        return mistake(QStringLiteral("多余的参数“%1”。").arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(version))
        return CommandLineAnswer{QStringLiteral("Zelvan %1\n").arg(QLatin1String(zelvanversion::kVersion))};
    if (parser.isSet(help))
        return CommandLineAnswer{helpText(ownOptions)};
    return std::nullopt;
}

std::optional<int> answerCommandLine(int argc, char* argv[])
{
    QStringList arguments;
    for (const std::string& argument : platform::commandLineArguments(argc, argv))
        arguments.append(QString::fromStdString(argument));
    const std::optional<CommandLineAnswer> answer = readCommandLine(arguments);
    if (!answer)
        return std::nullopt;
    platform::showCommandLineAnswer(answer->text.toStdString(),
                                    answer->isError ? platform::AnswerKind::Error : platform::AnswerKind::Information);
    return answer->exitCode;
}
