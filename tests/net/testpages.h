#pragma once
// Small pages for the browser tests.
#include <QString>
#include <QStringList>
#include <string>

inline std::string s(const QString& text)
{
    return text.toStdString();
}

inline std::string frameset(const QStringList& sources)
{
    std::string html = "<html><head><title>member</title></head><frameset rows=\"";
    for (qsizetype i = 0; i < sources.size(); ++i)
        html += i ? ",*" : "*";
    html += "\">";
    for (qsizetype i = 0; i < sources.size(); ++i)
        html += "<frame name=\"f" + std::to_string(i) + "\" src=\"" + s(sources[i]) + "\">";
    return html + "</frameset></html>";
}

inline std::string plainPage(const std::string& text)
{
    return "<html><body><p>" + text + "</p></body></html>";
}
