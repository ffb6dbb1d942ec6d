#include "app/CKestrelportDlg.h"

ProgressChannel::Answer CKestrelportDlg::MessageBox(const std::string& text, MessageType type) {
    return window_.MessageBox(text, type);
}

void CKestrelportDlg::ShowProgress(bool visible) {
    window_.ShowControl(ControlId::Progress, visible);
}

void CKestrelportDlg::ShowStatus(bool visible) {
    window_.ShowControl(ControlId::Status, visible);
}

void CKestrelportDlg::SetStatusText(const std::string& text) {
    window_.SetControlText(ControlId::Status, text);
}

void CKestrelportDlg::SetProgressRange(int low, int high) {
    window_.SetProgressRange(low, high);
}

void CKestrelportDlg::SetProgressPos(int pos) {
    window_.SetProgressPos(pos);
}

void CKestrelportDlg::StepProgress() {
    window_.StepProgress();
}

int CKestrelportDlg::GetProgressPos() const {
    return window_.GetProgressPos();
}

void CKestrelportDlg::PumpMessages() {
    window_.PumpMessages();
}

void CKestrelportDlg::BeginWaitCursor() {
    window_.BeginWaitCursor();
}

void CKestrelportDlg::EndWaitCursor() {
    window_.EndWaitCursor();
}

void CKestrelportDlg::ShowLookupRunning(bool running) {
    window_.SetControlText(ControlId::Lookup, running ? "Pause IP->Hostnames" : "IP->Hostnames");
    window_.EnableControl(ControlId::Go, !running);
}
