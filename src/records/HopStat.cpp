#include "records/HopStat.h"

namespace vantorel {

void HopStat::record(const QString& answeredBy, std::optional<double> rtt) {
    if (answeredBy != kUnanswered && answeredBy != host) {
        host = answeredBy;
        hostname.reset();
        rtts.clear();
    }
    last = rtt;
    if (rtt) {
        rtts.push_back(*rtt);
        if (rtts.size() > kMaxRtts)
            rtts.pop_front();
    }
}

} // namespace vantorel
