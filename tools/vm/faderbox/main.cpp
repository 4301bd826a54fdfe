// A fader box of the bench's own for the VM bench: a sequencer client that plays MIDI into
// whoever subscribed to its port and writes down, with the time, everything it sent and got.
//   morvix-faderbox --log FILE [--client NAME] [--port NAME]
// Reads commands on standard input, one a line:
//   send HEX BYTES   one message now
//   play FILE        the messages of FILE at their times ("MILLISECONDS HEX BYTES" lines)
//   quit
// Every line of the log is JSON with "t", CLOCK_MONOTONIC in microseconds.
#include "HexBytes.h"
#include "PlayList.h"
#include "SeqPort.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::int64_t NowUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
}

class Log {
public:
    explicit Log(const char* path) : m_file(std::fopen(path, "w")) {}
    ~Log() {
        if (m_file)
            std::fclose(m_file);
    }
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;
    bool ok() const { return m_file != nullptr; }
    // Flushed line by line: the bench reads the file while the box runs, and may kill it.
    void Line(std::int64_t t, const std::string& fields) {
        std::fprintf(m_file, "{\"t\": %lld, %s}\n", static_cast<long long>(t), fields.c_str());
        std::fflush(m_file);
    }
    void Message(std::int64_t t, const char* dir, const Bytes& bytes) {
        Line(t, std::string("\"dir\": \"") + dir + "\", \"bytes\": \"" +
                    FormatHexBytes(bytes.data(), bytes.size()) + "\"");
    }

private:
    std::FILE* m_file;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class Box {
public:
    Box(SeqPort& port, Log& log) : m_port(port), m_log(log) {}

    int Run() {
        m_log.Line(NowUs(), "\"event\": \"ready\"");
        bool input = true;
        while (!m_quit) {
            std::vector<pollfd> fds = m_port.PollDescriptors();
            if (input)
                fds.push_back({STDIN_FILENO, POLLIN, 0});
            if (poll(fds.data(), fds.size(), Timeout()) < 0 && errno != EINTR)
                return 1;
            SendDue();
            for (const Bytes& message : m_port.Receive())
                m_log.Message(NowUs(), "rx", message);
            if (input && (fds.back().revents & (POLLIN | POLLHUP)))
                input = ReadCommands();
        }
        return 0;
    }

private:
    // Until the next message of a play is due; forever when none is.
    int Timeout() const {
        if (m_due.empty())
            return -1;
        const std::int64_t left = m_due.front().dueUs - NowUs();
        return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
    }

    void SendDue() {
        while (!m_due.empty() && m_due.front().dueUs <= NowUs()) {
            Transmit(m_due.front().bytes);
            m_due.pop_front();
            if (m_due.empty())
                m_log.Line(NowUs(), "\"event\": \"played\"");
        }
    }

    void Transmit(const Bytes& bytes) {
        const std::int64_t t = NowUs();
        if (m_port.Send(bytes))
            m_log.Message(t, "tx", bytes);
        else
            m_log.Message(t, "lost", bytes);
    }

    bool ReadCommands() {
        char chunk[4096];
        const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0)
            return false;
        m_pending.append(chunk, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = m_pending.find('\n')) != std::string::npos) {
            Command(m_pending.substr(0, end));
            m_pending.erase(0, end + 1);
        }
        return true;
    }

    void Command(const std::string& line) {
        if (line == "quit") {
            m_quit = true;
        } else if (line.rfind("send ", 0) == 0) {
            if (auto bytes = ParseHexBytes(line.substr(5)))
                Transmit(*bytes);
            else
                m_log.Line(NowUs(), "\"error\": \"bad bytes\"");
        } else if (line.rfind("play ", 0) == 0) {
            auto list = ParsePlayList(ReadFile(line.substr(5)));
            if (!list || list->empty()) {
                m_log.Line(NowUs(), "\"error\": \"bad play list\"");
                return;
            }
            const std::int64_t start = NowUs();
            for (TimedMessage& m : *list)
                m_due.push_back({start + m.dueUs, std::move(m.bytes)});
        } else if (!line.empty()) {
            m_log.Line(NowUs(), "\"error\": \"unknown command\"");
        }
    }

    SeqPort& m_port;
    Log& m_log;
    std::deque<TimedMessage> m_due;
    std::string m_pending;
    bool m_quit = false;
};

} // namespace

int main(int argc, char** argv) {
    const char* logPath = nullptr;
    std::string client = "Fader Box";
    std::string portName = "Faders";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--log") == 0)
            logPath = argv[i + 1];
        else if (std::strcmp(argv[i], "--client") == 0)
            client = argv[i + 1];
        else if (std::strcmp(argv[i], "--port") == 0)
            portName = argv[i + 1];
    }
    if (!logPath || argc % 2 == 0) {
        std::fprintf(stderr, "usage: morvix-faderbox --log FILE [--client NAME] [--port NAME]\n");
        return 2;
    }
    Log log(logPath);
    if (!log.ok()) {
        std::fprintf(stderr, "morvix-faderbox: cannot write %s\n", logPath);
        return 1;
    }
    SeqPort port;
    if (const std::string error = port.Open(client, portName); !error.empty()) {
        std::fprintf(stderr, "morvix-faderbox: %s\n", error.c_str());
        return 1;
    }
    return Box(port, log).Run();
}
