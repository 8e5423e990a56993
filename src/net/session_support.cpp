#include "net/session_support.hpp"

namespace zorvanil::net {

bool sameKey(std::string_view a, std::string_view b) {
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    return diff == 0;
}

std::string peerOf(const boost::asio::ip::tcp::socket& socket) {
    boost::system::error_code ec;
    auto endpoint = socket.remote_endpoint(ec);
    if (ec) return "?";
    return endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
}

std::string peerAddress(std::string_view peer) {
    return std::string(peer.substr(0, peer.rfind(':')));
}

std::string_view pathOf(std::string_view target) {
    return target.substr(0, target.find('?'));
}

}  // namespace zorvanil::net
