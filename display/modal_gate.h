#pragma once
// Every modal dialog of the program goes through this gate; while one is open the timer's ticks
// are dropped, so Qt's nested dialog loop cannot run protocol steps or relayouts behind it.

namespace quendar {

/// Counts the modal dialogs open right now.
class ModalGate {
public:
    /// Marks a modal dialog as open for the lifetime of the scope.
    class Scope {
    public:
        explicit Scope(ModalGate& gate) : m_gate(gate) { ++m_gate.m_depth; }
        ~Scope() { --m_gate.m_depth; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ModalGate& m_gate;
    };

    /// True while at least one modal dialog is open.
    [[nodiscard]] bool isOpen() const { return m_depth > 0; }

private:
    int m_depth = 0;
};

} // namespace quendar
