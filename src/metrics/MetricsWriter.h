#pragma once

#include <QByteArray>
#include <QStringView>
#include <cstdint>
#include <string_view>

namespace vantorel {

// The two text formats a scraper can be answered in.
enum class ExpositionFormat {
    // OpenMetrics 1.0, which Prometheus asks for.
    openMetrics,
    // The classic Prometheus text format 0.0.4, for everything else: `promtool check metrics`,
    // curl and browsers read it, and it has no counter naming of its own to trip them.
    prometheusText,
};

// The Content-Type header value of a format.
QByteArrayView contentType(ExpositionFormat format);

enum class MetricType { counter, gauge, histogram };

// Writes one exposition: each family announced once (type, unit, help) and followed by all of its
// samples, as both formats require. Sample lines are built from pre-rendered label texts, since
// the same labels recur in every family of a target.
class MetricsWriter {
public:
    // Writes into `text`, emptied first. `expectedSize` is what the text will probably come to,
    // e.g. the size of the previous one: reserved at once, a large exposition is not copied over
    // and over as it grows. When `text` held the previous exposition and nobody shares it any
    // more, its memory is written over rather than freed and taken again.
    MetricsWriter(ExpositionFormat format, QByteArray& text, qsizetype expectedSize);

    // Starts a family. `name` is the OpenMetrics family name, a counter's without `_total`;
    // `unit` is empty or the base unit `name` ends with. `help` is plain text with no backslash,
    // quote or line break.
    void family(std::string_view name, MetricType type, std::string_view help,
                std::string_view unit = {});

    // One sample of the current family: its name is the family's plus `suffix` (e.g. "_total",
    // "_bucket"); `labels` and `more` are label lists such as `a="x",b="y"`, either may be empty.
    void sample(QByteArrayView suffix, QByteArrayView labels, double value,
                QByteArrayView more = {});
    void sample(QByteArrayView suffix, QByteArrayView labels, std::int64_t value,
                QByteArrayView more = {});

    // Ends the exposition.
    void finish();

private:
    // Makes room for `bytes` more behind what is written and returns where they go.
    char* room(qsizetype bytes);
    void put(QByteArrayView part);
    // Writes a sample's name and labels with room left for its value, and returns where the
    // value goes.
    char* sampleName(QByteArrayView suffix, QByteArrayView labels, QByteArrayView more);
    void endSample(char* valueEnd);

    const ExpositionFormat format_;
    // Written through a cursor rather than appended to: hundreds of lines of five or six parts
    // each, and QByteArray's append checks sharing and capacity anew for every part, which took
    // a third of a rendering. Sized ahead, and cut to what was written at the end.
    QByteArray& text_;
    qsizetype written_ = 0;
    QByteArray family_;
};

// Appends `name="value"`, the value escaped as both formats require (backslash, double quote and
// line feed) and encoded as UTF-8.
void appendLabel(QByteArray& out, std::string_view name, QStringView value);

// Appends the shortest text in fixed notation that reads back as `value`, which is finite.
void appendFixed(QByteArray& out, double value);

} // namespace vantorel
