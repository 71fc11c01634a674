#include "tools/quorlin-host/JobRun.h"

#include <algorithm>
#include <map>

#include "common/Format.h"
#include "platform/Terminal.h"

namespace tessaly::tools {
namespace {

constexpr std::size_t kBarWidth = 30;

void Print(const CallReport& report, bool json, std::ostream& out) {
    out << (json ? ReportJson(report) : ReportText(report)) << "\n";
}

bool DriverFailed(const CallReport& report) {
    return report.result != QUORLIN_OK || !report.status || *report.status < 0;
}

void ShowProgress(std::size_t done, std::size_t total, std::ostream& err) {
    const std::size_t filled = total == 0 ? kBarWidth : done * kBarWidth / total;
    err << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, '.') << "] " << done << "/"
        << total << std::flush;
}

class CSummary {
public:
    void Add(const CallReport& report) {
        const std::string key = report.status ? FormatText("0x%02x", static_cast<unsigned>(*report.status))
                                              : std::string("not written");
        ++m_codes[report.status && *report.status < 0 ? std::to_string(*report.status) : key];
        const double ms = static_cast<double>(report.duration.count()) / 1000.0;
        m_total += ms;
        m_min = m_cards == 0 ? ms : std::min(m_min, ms);
        m_max = std::max(m_max, ms);
        ++m_cards;
    }

    void Write(std::size_t asked, std::ostream& out) const {
        out << "cards: " << m_cards << " of " << asked << "\n";
        out << "Status of the cards:";
        for (const auto& [code, count] : m_codes) {
            out << " " << code << " x" << count;
        }
        out << "\n";
        if (m_cards > 0) {
            out << FormatText(
                "time per card: %.1f ms average, %.1f ms fastest, %.1f ms slowest (%.0f cards per minute)\n",
                m_total / static_cast<double>(m_cards), m_min, m_max,
                60000.0 * static_cast<double>(m_cards) / m_total);
        }
    }

private:
    std::map<std::string, std::size_t> m_codes;
    std::size_t m_cards = 0;
    double m_total = 0;
    double m_min = 0;
    double m_max = 0;
};

}  // namespace

int RunJob(CHostSession& session, const JobOptions& options, std::ostream& out, std::ostream& err) {
    const bool progress = platform::StandardErrorIsTerminal();
    const CallReport start = session.Initialize(options.application, options.firData);
    Print(start, options.json, out);
    if (DriverFailed(start) || *start.status != 0) {
        err << "quorlin-host: the job did not start\n";
        return 1;
    }
    CSummary summary;
    bool failed = false;
    for (std::size_t card = 0; card < options.cards && !failed; ++card) {
        const CallReport report = session.ProcessCard(options.application, options.data);
        Print(report, options.json, out);
        summary.Add(report);
        failed = DriverFailed(report);
        if (progress) {
            ShowProgress(card + 1, options.cards, err);
        }
    }
    if (progress) {
        err << "\n";
    }
    const CallReport end = session.TerminateJob(options.application);
    Print(end, options.json, out);
    summary.Write(options.cards, options.json ? err : out);
    return failed || DriverFailed(end) ? 1 : 0;
}

}  // namespace tessaly::tools
