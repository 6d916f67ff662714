#include "MIDIInDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RecordingReceiver : public midi::CMIDIReceiver {
public:
    struct Call {
        std::string kind;
        uint32_t message;
        uint32_t timestamp;
    };
    void ReceiveMsg(char*, uint32_t bytes, uint32_t timestamp) override { calls.push_back({"long", bytes, timestamp}); }
    void ReceiveMsg(uint32_t message, uint32_t timestamp) override { calls.push_back({"short", message, timestamp}); }
    void OnError(char*, uint32_t bytes, uint32_t timestamp) override { calls.push_back({"long error", bytes, timestamp}); }
    void OnError(uint32_t message, uint32_t timestamp) override { calls.push_back({"error", message, timestamp}); }

    std::vector<Call> calls;
};

void Deliver(midi::CMIDIInDevice& device, UINT message, DWORD_PTR param1, DWORD_PTR param2) {
    midi::CMIDIInDevice::MidiInProc(nullptr, message, reinterpret_cast<DWORD_PTR>(&device), param1, param2);
}

std::string SystemText(MMRESULT result) {
    char text[128] = {};
    ::midiInGetErrorTextA(result, text, sizeof text);
    return text;
}

TEST(CMIDIInDevice, ClosingOrStartingAClosedDeviceDoesNothing) {
    RecordingReceiver receiver;
    midi::CMIDIInDevice device(&receiver);
    EXPECT_EQ(device.GetState(), midi::CMIDIInDevice::kClosed);
    EXPECT_NO_THROW(device.Close());
    EXPECT_NO_THROW(device.StartRecording());
    EXPECT_EQ(device.GetState(), midi::CMIDIInDevice::kClosed);
    EXPECT_NO_THROW(device.Close());
}

TEST(CMIDIInDevice, OpeningAMissingDeviceRaisesTheSystemsText) {
    const UINT missing = ::midiInGetNumDevs() + 5;
    HMIDIIN handle = nullptr;
    const MMRESULT result = ::midiInOpen(&handle, missing, 0, 0, CALLBACK_NULL);
    ASSERT_NE(result, static_cast<MMRESULT>(MMSYSERR_NOERROR));
    const std::string expected = SystemText(result);
    ASSERT_FALSE(expected.empty());

    midi::CMIDIInDevice device;
    try {
        device.Open(missing);
        FAIL() << "no exception";
    } catch (const midi::CMIDIInException& e) {
        EXPECT_EQ(std::string(e.what()), expected);
        const midi::CMIDIInException copy(e);
        EXPECT_EQ(std::string(copy.what()), expected);
        EXPECT_NE(copy.what(), e.what()) << "a copy has its own text";
    }
    EXPECT_EQ(device.GetState(), midi::CMIDIInDevice::kClosed);
    EXPECT_NO_THROW(device.StartRecording());
    EXPECT_EQ(device.GetState(), midi::CMIDIInDevice::kClosed);
}

TEST(CMIDIInDevice, ExceptionsAreStandardExceptions) {
    const midi::CMIDIInEventFailure failure;
    const std::exception& base = failure;
    EXPECT_STREQ(base.what(), "Unable to create a signalling event for CMIDIInDevice object.");
    const midi::CMIDIInException raised(MMSYSERR_BADDEVICEID);
    const std::exception& other = raised;
    EXPECT_EQ(std::string(other.what()), SystemText(MMSYSERR_BADDEVICEID));
}

TEST(CMIDIInDevice, ShortMessagesAndErrorsReachTheReceiverUnchanged) {
    RecordingReceiver receiver;
    midi::CMIDIInDevice device(&receiver);
    Deliver(device, MIM_DATA, 0x00643C90, 1234);     // note-on, channel 1, key 60, velocity 100
    Deliver(device, MIM_ERROR, 0x00007FF5, 1240);
    Deliver(device, MIM_OPEN, 0, 0);
    Deliver(device, MIM_CLOSE, 0, 0);
    ASSERT_EQ(receiver.calls.size(), 2u);
    EXPECT_EQ(receiver.calls[0].kind, "short");
    EXPECT_EQ(receiver.calls[0].message, 0x00643C90u);
    EXPECT_EQ(receiver.calls[0].timestamp, 1234u);
    EXPECT_EQ(receiver.calls[1].kind, "error");
    EXPECT_EQ(receiver.calls[1].message, 0x00007FF5u);
    EXPECT_EQ(receiver.calls[1].timestamp, 1240u);
}

TEST(CMIDIInDevice, LongMessagesCountOnlyWhileRecording) {
    RecordingReceiver receiver;
    midi::CMIDIInDevice device(&receiver);
    char data[4] = {'\xF0', 0x7E, 0x01, '\xF7'};
    MIDIHDR header = {};
    header.lpData = data;
    header.dwBytesRecorded = 4;
    Deliver(device, MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(&header), 50);
    Deliver(device, MIM_LONGERROR, reinterpret_cast<DWORD_PTR>(&header), 60);
    EXPECT_TRUE(receiver.calls.empty());
}

TEST(CMIDIInDevice, WithoutAReceiverNothingIsDelivered) {
    RecordingReceiver receiver;
    midi::CMIDIInDevice device(&receiver);
    device.SetReceiver(nullptr);
    Deliver(device, MIM_DATA, 0x00643C90, 1234);
    Deliver(device, MIM_ERROR, 0x00643C90, 1234);
    EXPECT_TRUE(receiver.calls.empty());
    device.SetReceiver(&receiver);
    Deliver(device, MIM_DATA, 0x00403C80, 1300);
    ASSERT_EQ(receiver.calls.size(), 1u);
    EXPECT_EQ(receiver.calls[0].message, 0x00403C80u);
}

TEST(CMIDIHeaderQueue, RemovesOneEntryOrAll) {
    midi::CMIDIHeaderQueue queue;
    for (int i = 0; i < 3; ++i) {
        MIDIHDR header = {};
        header.lpData = new char[16];
        header.dwBufferLength = 16;
        queue.Add(nullptr, header);
    }
    EXPECT_EQ(queue.Count(), 3u);
    queue.RemoveOne();
    EXPECT_EQ(queue.Count(), 2u);
    queue.RemoveAll();
    EXPECT_EQ(queue.Count(), 0u);
    queue.RemoveOne();
    EXPECT_EQ(queue.Count(), 0u);
}

} // namespace
