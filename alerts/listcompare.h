#pragma once
// Compares a freshly fetched list with the baseline and says which rows to announce, in row order.
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace ListCompare
{

// What a popup shows and where its click leads.
struct Notice {
    QString ZuName; // category label (field 2)
    QString Ziname; // title (field 1)
    QString ZiUrl;  // base URL + path (field 3)
};

// One changed row: a popup when the line names a page on the line's server, and the sound to
// request ("" when the sound switch is off).
struct Announcement {
    int row = 0;
    std::optional<Notice> notice;
    QString soundFile;
};

// Per row of a list: is it announced at all, and with which sound.
struct RowRule {
    bool enabled = false;
    QString soundFile;
};

// The sound file of a message line's category.
QString categorySound(int row);

// Lines split at every CRLF: n separators give n + 1 lines.
QStringList splitLines(const QString& text);

// False for a document with both a "<" and a ">" anywhere (an HTML page, not a message list).
bool isMessageList(const QString& text);

// The rows that changed between baseline and fresh, in order, for rows 0..rules.size()-1.
// A row is skipped when its rule is off, when either list lacks the line or has it empty, or when
// the two lines are equal. The notice is built from the fresh line (what is new is what the member
// is told about); it is left out when the line has fewer than four fields or its path is not on
// baseUrl's server.
QList<Announcement> announce(const QString& baseline, const QString& fresh,
                             const QList<RowRule>& rules, const QString& baseUrl, bool sound);

// The message poll's rows: all off unless check1 is 1; each row on when its box state is 1.
QList<Announcement> messageAnnouncements(const QString& baseline, const QString& fresh, int check1,
                                         const std::array<int, 8>& boxStates, int shengyin,
                                         const QString& baseUrl);

// The series poll's sixteen rows, all gated by check2, all with "ts2.wav".
QList<Announcement> seriesAnnouncements(const QString& baseline, const QString& fresh, int check2,
                                        int shengyin, const QString& baseUrl);

} // namespace ListCompare
