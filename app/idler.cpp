#include "app/idler.h"

#include "chat/chat.h"
#include "core/lines.h"
#include "download/download.h"

Idler::Idler(void (*pause)(double seconds)) : pause_(pause) {}

void Idler::Greet(const std::wstring& loads) const {
    ChatSend(lines::StartupByLine());
    pause_(0.5);
    ChatSend(lines::LoadsLine(loads));
}

void Idler::Tick(const std::wstring& minutes) const {
    ChatSend(lines::UserLine(minutes));
    pause_(0.5);
    if (!FindTransferWindow()) return;
    // Each field finds the transfer window again, in this order.
    std::wstring file = DownloadFileName();
    std::wstring percent = DownloadPercent();
    std::wstring timeLeft = DownloadTimeLeft();
    ChatSend(lines::DownloadLine(file, percent, timeLeft));
}

void Idler::Engage() const {
    ChatSend(lines::EngagedLine());
}

void Idler::Disengage() const {
    ChatSend(lines::DisengagedLine());
}

void Idler::Unload(const std::wstring& loads) const {
    ChatSend(lines::UnloadByLine());
    pause_(0.5);
    ChatSend(lines::UnloadsLine(loads));
}
