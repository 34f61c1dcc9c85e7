#ifndef TOBALIN_TESTS_POP3_SCRIPT_SERVER_H
#define TOBALIN_TESTS_POP3_SCRIPT_SERVER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// One reply of the scripted server and the way it is sent.
struct scripted_reply {
    enum then_what { answer_on, close_after, silent_after };
    scripted_reply(std::string bytes = "") : text(std::move(bytes)) {}
    std::string text;
    std::vector<size_t> cuts;   // offsets at which the text is cut into separate sends
    bool byte_by_byte = false;  // one send per byte
    int delay_ms = 0;           // before the first byte
    then_what then = answer_on;
};

// A POP3 server on a loopback port, in a thread of its own, that serves one
// connection at a time from a script: the first reply is the greeting, each
// later one answers the next command line received. Once the script is used
// up, or after a reply that ends in silence, it only records what it is
// sent until the client closes.
class script_server {
public:
    script_server();
    ~script_server();
    unsigned short port() const { return port_; }
    void serve(std::vector<scripted_reply> replies);
    // Waits for the connection to end; everything the client sent.
    std::string received();

private:
    void run(std::vector<scripted_reply> replies);
    uintptr_t listener_;
    unsigned short port_ = 0;
    std::thread thread_;
    std::string received_;
};

#endif
