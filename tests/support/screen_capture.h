#pragma once
// Cuts rectangle `r` of the X display's root window into a PNG, with ImageMagick's
// `import`, for the screenshot programs that run the real windows under Xvfb; and their
// check of the command line.

#include <QProcess>
#include <QRect>
#include <QString>

#include <cstdio>

namespace morvain::test
{

inline bool captureScreen(QRect r, const QString &file)
{
    const QString crop =
        QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
    return QProcess::execute(QStringLiteral("import"),
                             {QStringLiteral("-window"), QStringLiteral("root"),
                              QStringLiteral("-crop"), crop, QStringLiteral("+repage"), file}) == 0;
}

// False, after printing `usage`, unless the program got `count` arguments.
inline bool argumentCountIs(int argc, int count, const char *usage)
{
    if (argc == count + 1)
        return true;
    std::fprintf(stderr, "usage: %s\n", usage);
    return false;
}

} // namespace morvain::test
