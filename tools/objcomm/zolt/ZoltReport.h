// What `objcomm zolt` prints while a script runs: readable text as things happen, or one JSON object
// per step.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/cli/JsonText.h"
#include "tools/objcomm/script/ScriptRunner.h"

namespace tessaly::tools {

class CZoltReport : public CScriptObserver {
public:
    int FailedSteps() const { return m_failedSteps; }
    int PassedSteps() const { return m_passedSteps; }

protected:
    void Count(bool ok) { ++(ok ? m_passedSteps : m_failedSteps); }

private:
    int m_failedSteps = 0;
    int m_passedSteps = 0;
};

class CTextReport final : public CZoltReport {
public:
    CTextReport(std::string target, std::ostream& out) : m_target(std::move(target)), m_out(out) {}

    void Connected(const Step* step, bool ok, const std::string& error) override;
    void StepStarted(const Step& step) override;
    void Sent(const Step& step, const std::vector<CByteArray>& writes, bool ok,
              const std::string& error) override;
    void Answered(const Step& step, const Expectation& expectation, const Answer& answer,
                  const Verdict& verdict) override;
    void StepEnded(const Step& step, bool ok) override;
    // The closing line.
    void Summary();

private:
    std::string m_target;
    std::ostream& m_out;
    bool m_noConnection = false;
};

class CJsonReport final : public CZoltReport {
public:
    CJsonReport(std::string target, std::ostream& out) : m_target(std::move(target)), m_out(out) {}

    void Connected(const Step* step, bool ok, const std::string& error) override;
    void StepStarted(const Step& step) override;
    void Sent(const Step& step, const std::vector<CByteArray>& writes, bool ok,
              const std::string& error) override;
    void Answered(const Step& step, const Expectation& expectation, const Answer& answer,
                  const Verdict& verdict) override;
    void StepEnded(const Step& step, bool ok) override;

private:
    std::string m_target;
    std::ostream& m_out;
    cli::Json m_step;
    cli::Json m_answers;
};

// Upper-case pairs separated by blanks.
std::string SpacedHex(const CByteArray& bytes);
// The JSON names of what came back and of a step's kind.
const char* AnswerEventName(Answer::Kind kind);
const char* StepKindName(Step::Kind kind);
// The script line without its surrounding blanks.
std::string Trimmed(const std::string& text);
// What a step wrote, into `json`: "writes" (each write in hex), "sent" (the packets cut from them,
// decoded as a station reads them) and, for bytes that end no packet, "unframed".
void AddSentJson(cli::Json& json, const Step& step, const std::vector<CByteArray>& writes);
// One answer as JSON: the expectation (`expectText`), the event, the bytes and, for a packet, its
// decoding, then the verdict.
cli::Json AnswerJson(const std::string& expectText, const Expectation& expectation, const Answer& answer,
                     const Verdict& verdict);

}  // namespace tessaly::tools
