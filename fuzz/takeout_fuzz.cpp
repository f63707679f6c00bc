// Fuzzes the block take-out of the run cycle: the device's text arrives split at random points
// over random ticks, under either communication method, and the blocks the window publishes
// must be those a plain, unoptimised reading of the take-out rules gives.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "BlockTakeOut.h"
#include "CommControl.h"
#include "DeviceFakes.h"
#include "FTPbyAPIModule3.h"
#include "Fakes.h"
#include "MainForm.h"
#include "PageBuilder.h"

namespace {

// The take-out rules as plainly as they can be said: every tick searches the whole buffer.
class Reference {
public:
    explicit Reference(bool deviceFile) : deviceFile_(deviceFile) {}

    void Tick(const std::string& arrived) {
        if (!deviceFile_ && arrived.empty()) {
            return;  // the control's tick ends at an empty read
        }
        buffer_ += arrived;
        if (buffer_.size() >= 4 && buffer_.compare(buffer_.size() - 4, 4, "@@@@") == 0) {
            Publish(buffer_.substr(0, buffer_.size() - 4));
            buffer_.clear();
        }
        const auto at = buffer_.find("@@@@");
        if (at != std::string::npos) {
            Publish(buffer_.substr(0, at));
            buffer_.erase(0, at + 4);
        }
    }

    std::vector<std::string> shown;
    std::string buffer_;

private:
    void Publish(const std::string& block) {
        shown.push_back(block);
        if (block.size() >= qel::kMinimumBlockLength) {
            shown.push_back(qel::StripMarkers(block));
        }
    }

    bool deviceFile_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const bool deviceFile = provider.ConsumeBool();

    qel::ProgramState state;
    state.ProgramFolder = "C:\\Qel\\";
    state.FTPMethod = 9;  // no upload
    state.CommMethod = deviceFile ? 0 : 1;
    qel::FakeMainView view;
    view.runChecked = true;
    view.fileNameText = "live.html";
    view.portText = "3";
    qel::FakeFileSystem files;
    files.specialFolders[qel::MainForm::kCsidlAppData] = "C:\\Data\\";
    qel::FakeClock clock;
    qel::FakeSerialDevice commFile;
    qel::FakeSerialDevice controlPort;
    commFile.availablePorts = controlPort.availablePorts = {3};
    qel::CommControl comm(controlPort);
    qel::FakeInternetApi internet;
    qel::FTPbyAPIModule3 ftpApi(internet, view, clock, state);
    qel::FakeTransferControl transfer;
    qel::MainForm form(
        qel::MainFormParts{state, view, files, clock, commFile, comm, ftpApi, transfer});

    form.Timer1_Timer();  // opens the port
    if (!deviceFile) {
        form.Timer1_Timer();
    }
    view.outputHistory.clear();
    Reference reference(deviceFile);
    while (provider.remaining_bytes() > 0) {
        std::string chunk = provider.ConsumeRandomLengthString(64);
        for (char& c : chunk) {
            c = (c == '\0') ? '@' : c;  // the device file method stops a burst at code 0
        }
        commFile.waiting += chunk;
        controlPort.waiting += chunk;
        clock.milliseconds += 500;
        form.Timer1_Timer();
        reference.Tick(chunk);
        if (view.outputHistory != reference.shown || form.InBuffer != reference.buffer_) {
            std::abort();
        }
    }
    return 0;
}
