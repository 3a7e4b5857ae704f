#include "devices/OutputPortWriter.h"

#include <gtest/gtest.h>

#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

using devices::OutputPortWriter;

TEST(OutputPortWriter, ChunksReachThePortInOrder) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    ASSERT_TRUE(pty.ok());
    auto port = platform::SerialPort::Create();
    ASSERT_TRUE(port->OpenDevice(pty.slavePath(), {}));
    OutputPortWriter writer(port);
    std::string expected;
    for (int i = 0; i < 50; ++i) {
        const std::string chunk =
            "\xD3" + std::string(static_cast<size_t>(i + 1), char('a' + i % 26));
        expected += chunk;
        EXPECT_EQ(writer.Enqueue(chunk), OutputPortWriter::Result::Queued);
    }
    EXPECT_EQ(pty.Read(expected.size()), expected);
    EXPECT_TRUE(writer.Drain(2000));
    EXPECT_EQ(writer.DroppedChunks(), 0u);
}

TEST(OutputPortWriter, AStalledPortDropsWholeChunksOneEpisodeAtATime) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    ASSERT_TRUE(pty.ok());
    auto port = platform::SerialPort::Create();
    ASSERT_TRUE(port->OpenDevice(pty.slavePath(), {}));
    OutputPortWriter writer(port);
    // Nobody reads the master: once the pty's buffer is full the writer
    // waits in its bounded write, and the queue fills behind it.
    const std::string chunk(4096, 'x');
    while (writer.Drain(300)) ASSERT_EQ(writer.Enqueue(chunk), OutputPortWriter::Result::Queued);
    int queued = 0;
    OutputPortWriter::Result result;
    while ((result = writer.Enqueue(chunk)) == OutputPortWriter::Result::Queued) ++queued;
    EXPECT_EQ(result, OutputPortWriter::Result::DroppedFirst);
    EXPECT_LE(queued, static_cast<int>(OutputPortWriter::kQueueLimit / chunk.size()));
    EXPECT_EQ(writer.Enqueue(chunk), OutputPortWriter::Result::Dropped);  // the same episode
    EXPECT_EQ(writer.Enqueue(chunk), OutputPortWriter::Result::Dropped);
    EXPECT_EQ(writer.DroppedChunks(), 3u);
    EXPECT_EQ(writer.DroppedBytes(), 3 * chunk.size());

    // Once the port reads again, chunks fit and a new stall is a new episode.
    while (!writer.Drain(50)) pty.ReadAvailable();
    EXPECT_EQ(writer.Enqueue("ok"), OutputPortWriter::Result::Queued);
    EXPECT_TRUE(writer.Drain(2000));
}

TEST(OutputPortWriter, AClosedPortTakesNothingAndTheWriterStopsAtOnce) {
    auto port = platform::SerialPort::Create();  // never opened
    {
        OutputPortWriter writer(port);
        EXPECT_EQ(writer.Enqueue("abc"), OutputPortWriter::Result::Queued);
        EXPECT_TRUE(writer.Drain(2000));
    }
    EXPECT_EQ(port->DroppedBytes(), 3u);
}
