// One printer's reading as a sequence of request/answer exchanges, with no sockets and no
// clock: whoever drives it (the engine, a test, the fuzzer) asks for the next request, sends
// it, and hands back the answer that matched it or reports that none came.
//
// The exchanges: the printer's device index from hrDeviceType (device 1 when no row says
// hrDevicePrinter), then the scalars several to a GET, then every table column by column,
// several columns to a PDU (GETNEXT on SNMPv1, GETBULK on SNMPv2c and SNMPv3), each column stopping
// at the end of its table. Whatever an agent answers, the reading ends: a column whose answer does
// not advance is stopped with an error, rows and texts are bounded (cells.h), an error status makes
// the request smaller or drops the object it names, and a reading never sends more than
// MAX_REQUESTS_PER_READING requests. No answer can crash it or make it loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "condition/cells.h"
#include "condition/condition.h"
#include "condition/reader.h"
#include "snmp/ber.h"

namespace condition {

inline constexpr int MAX_REQUESTS_PER_READING = 1000;
inline constexpr std::size_t SCALARS_PER_PDU = 10;
inline constexpr std::size_t COLUMNS_PER_PDU = 12;
inline constexpr std::int32_t BULK_REPETITIONS = 10;
// An agent that never answers: a host that is down, a firewall that drops the requests and an
// agent that ignores our community all look alike from here, so the error names all three.
inline constexpr const char* NO_ANSWER = "no answer (host down, filtered, or wrong community)";
inline constexpr const char* NO_ANSWER_BY_DEADLINE =
    "no answer by the deadline (host down, filtered, or wrong community)";

class Walk {
  public:
    explicit Walk(SnmpVersion version);

    // Fills the request's PDU type, bindings and (for GETBULK) non-repeaters and
    // max-repetitions; the version, community and request-id are the caller's. False when
    // the reading is complete: nothing more to send.
    bool Next(ber::Message& request);
    // The answer to the request Next gave last, already matched to it by request-id,
    // community and source.
    void Answer(const ber::Message& answer);
    // The request Next gave last went unanswered after every retry: the reading ends, keeping
    // what it read.
    void NoAnswer();
    // Ends the reading now (its deadline passed, the reader stops) with `why` as its error.
    void Abort(const std::string& why, ReadError kind = ReadError::Internal);

    bool Finished() const { return phase_ == Phase::Done; }
    bool Answered() const { return answered_; }
    int Requests() const { return requests_; }

    // The condition read, with its health derived. Call once the reading is finished.
    Condition Take(double supplyWarningPercent);

  private:
    enum class Phase { Devices, Scalars, Tables, Done };

    struct Column {
        mib::Oid prefix;  // cells are prefix + row index
        mib::Oid cursor;  // the last name read; the next request starts after it
        std::uint32_t lastRow = 0xFFFFFFFFu;  // the column ends after this row
        std::size_t visited = 0;
        bool done = false;
        std::map<std::uint32_t, ber::Value>* rows = nullptr;
    };

    void Note(ReadError kind, std::string error);
    void StartScalars();
    void StartTables();
    void NextPhase();
    bool NextScalars(ber::Message& request);
    bool NextColumns(ber::Message& request);
    void AnswerScalars(const ber::Message& answer);
    void AnswerColumns(const ber::Message& answer);
    void ColumnError(std::int32_t status, std::int32_t index);
    bool Step(Column& column, const ber::VarBind& binding);
    bool FindPrinter();

    SnmpVersion version_;
    Phase phase_ = Phase::Devices;
    bool answered_ = false;
    int requests_ = 0;
    std::vector<std::string> errors_;
    std::vector<ReadError> errorKinds_;
    Cells cells_;

    std::map<std::uint32_t, ber::Value> deviceTypes_;
    std::vector<Column> columns_;
    std::size_t columnsPerPdu_ = COLUMNS_PER_PDU;
    std::int32_t repetitions_ = BULK_REPETITIONS;

    std::vector<ScalarId> pendingScalars_;
    std::size_t scalarsPerPdu_ = SCALARS_PER_PDU;

    std::vector<std::size_t> asked_;  // what the last request asked: columns or scalars
};

}  // namespace condition
