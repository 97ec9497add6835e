#include "core/evaluation.h"

namespace quendar {

const std::array<ScaleRow, 10> kScaleTable = {{{"1:22,5", 22.5f, 1.1f},
                                               {"1:32", 32.0f, 1.1f},
                                               {"1:43,5", 43.5f, 1.1f},
                                               {"1:45", 45.0f, 1.1f},
                                               {"1:64", 64.0f, 1.2f},
                                               {"1:87", 87.0f, 1.3f},
                                               {"1:120", 120.0f, 1.4f},
                                               {"1:160", 160.0f, 1.5f},
                                               {"1:220", 220.0f, 1.6f},
                                               {"1:450", 450.0f, 1.8f}}};

const std::array<std::string_view, 2> kMethodTable = {"Messung Originalgeschwindigkeit",
                                                      "Messung mit \xDC"
                                                      "berh\xF6hung nach NEM 661"};

Evaluator::Evaluator(StatusLines& lines, PanelControl& panel, DataLineWriter& log,
                     SpeedSink& statistics)
    : m_lines(lines), m_panel(panel), m_log(log), m_statistics(statistics) {}

// Placeholder until the evaluation work lands.
void Evaluator::evaluateRecord(const MeasurementRecord&) {}

void Evaluator::clearResultTexts() {}

} // namespace quendar
