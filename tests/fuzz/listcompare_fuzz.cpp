// Any two byte strings, decoded as GBK the way an answer of the service is, compared as the
// baseline and the fresh message list, with any box states, sound switch and base address.
//
// Input: the switches and box states (consumed from the end), the baseline (libFuzzer's escaped
// string), a base address choice, then the fresh list.
//
// Checked for every input: announcements come in row order, at most one per row, at most 8 for
// the message poll and 16 for the series poll; only for rows whose box is checked and whose line
// is present, non-empty and changed; every such row is announced while the sound is on; the sound
// is the row's own; a notice carries the fields of the fresh line and an address on the line's own
// server.
#include "alerts/listcompare.h"
#include "startup/gbkcodec.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

void require(bool ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "listcompare_fuzz: %s\n", what);
        abort();
    }
}

// Box and switch states as the settings file may hold them: mostly 0, 1 and 2, sometimes any
// 16-bit number.
int boxState(FuzzedDataProvider& in)
{
    const int16_t raw = in.ConsumeIntegral<int16_t>();
    return (raw & 0x100) ? raw : (raw & 0xFF) % 3;
}

void checkAnnouncements(const QList<ListCompare::Announcement>& got, const QString& baseline,
                        const QString& fresh, int rows, const std::vector<bool>& enabled,
                        bool sound, const QString& baseUrl, const QString& (*soundOf)(int))
{
    require(got.size() <= rows, "more announcements than rows");
    const QStringList oldLines = ListCompare::splitLines(baseline);
    const QStringList newLines = ListCompare::splitLines(fresh);

    int next = 0; // the next row an announcement may have
    for (const ListCompare::Announcement& a : got) {
        require(a.row >= next && a.row < rows, "announcements out of row order or range");
        for (int skipped = next; skipped < a.row; ++skipped) {
            const bool changed = skipped < oldLines.size() && skipped < newLines.size() &&
                                 !oldLines[skipped].isEmpty() && !newLines[skipped].isEmpty() &&
                                 oldLines[skipped] != newLines[skipped];
            require(!(sound && enabled[skipped] && changed), "a changed row went unannounced");
        }
        next = a.row + 1;
        require(enabled[a.row], "a row with its box off was announced");
        require(a.row < oldLines.size() && a.row < newLines.size(), "an absent row was announced");
        const QString& was = oldLines[a.row];
        const QString& now = newLines[a.row];
        require(!was.isEmpty() && !now.isEmpty() && was != now, "an unchanged row was announced");
        require(a.soundFile == (sound ? soundOf(a.row) : QString()), "the wrong sound");
        require(a.notice || !a.soundFile.isEmpty(), "an announcement with nothing to do");
        if (a.notice) {
            const QStringList fields = now.split(QLatin1Char(','));
            require(fields.size() >= 4, "a notice from a line without four fields");
            require(a.notice->Ziname == fields[1] && a.notice->ZuName == fields[2],
                    "a notice's texts are not the fresh line's");
            require(a.notice->ZiUrl == baseUrl + fields[3], "a notice's address is not base+path");
            const QUrl base(baseUrl);
            const QUrl item(a.notice->ZiUrl);
            require(item.scheme() == base.scheme() && item.host() == base.host() &&
                        item.port() == base.port(),
                    "a notice leads off the line's server");
        }
    }
    for (int r = next; r < rows; ++r) {
        const bool changed = r < oldLines.size() && r < newLines.size() && !oldLines[r].isEmpty() &&
                             !newLines[r].isEmpty() && oldLines[r] != newLines[r];
        require(!(sound && enabled[r] && changed), "a changed row went unannounced");
    }
}

const QString& messageSound(int row)
{
    static const QString low = ListCompare::categorySound(0);
    static const QString high = ListCompare::categorySound(7);
    return row < 4 ? low : high;
}

const QString& seriesSound(int)
{
    static const QString s = QStringLiteral("ts2.wav");
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int check1 = boxState(in);
    const int check2 = boxState(in);
    const int shengyin = boxState(in);
    std::array<int, 8> boxes{};
    for (int& b : boxes)
        b = boxState(in);
    const std::string baselineIn = in.ConsumeRandomLengthString(4096);
    static const QString bases[] = {QStringLiteral("http://127.0.0.1:18062"),
                                    QStringLiteral("http://127.0.0.1:8803"),
                                    QStringLiteral("https://zx.example")};
    const uint8_t baseChoice = in.ConsumeIntegral<uint8_t>();
    QString baseUrl = bases[baseChoice % 3];
    if (baseChoice >= 0xF0)
        baseUrl = GbkCodec::decode(QByteArray::fromStdString(in.ConsumeRandomLengthString(64)));
    const std::vector<uint8_t> freshIn = in.ConsumeRemainingBytes<uint8_t>();

    const QString baseline = GbkCodec::decode(
        QByteArrayView(baselineIn.data(), static_cast<qsizetype>(baselineIn.size())));
    const QString fresh = GbkCodec::decode(QByteArrayView(
        reinterpret_cast<const char*>(freshIn.data()), static_cast<qsizetype>(freshIn.size())));

    const bool htmlBaseline = !ListCompare::isMessageList(baseline);
    require(htmlBaseline ==
                (baseline.contains(QLatin1Char('<')) && baseline.contains(QLatin1Char('>'))),
            "an HTML check that disagrees with its rule");
    ListCompare::isMessageList(fresh);

    std::vector<bool> messageRows(8);
    for (int i = 0; i < 8; ++i)
        messageRows[static_cast<size_t>(i)] = check1 == 1 && boxes[static_cast<size_t>(i)] == 1;
    checkAnnouncements(
        ListCompare::messageAnnouncements(baseline, fresh, check1, boxes, shengyin, baseUrl),
        baseline, fresh, 8, messageRows, shengyin == 1, baseUrl, messageSound);

    checkAnnouncements(ListCompare::seriesAnnouncements(baseline, fresh, check2, shengyin, baseUrl),
                       baseline, fresh, 16, std::vector<bool>(16, check2 == 1), shengyin == 1,
                       baseUrl, seriesSound);
    return 0;
}
