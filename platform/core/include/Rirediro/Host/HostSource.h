#pragma once

class MXIHost;

namespace Rirediro {

// One source of the host application (a clip or node it tracks), which the
// host names by an identifier of its own. Questions about it go to the host
// when asked, so that each answer is the host's current one.
class HostSource
{
public:
    HostSource(const MXIHost& host, unsigned int identifier) : m_host(host), m_identifier(identifier) {}

    unsigned int identifier() const { return m_identifier; }
    // Whether the host wants the source's tracking shown.
    bool isTracked() const;

private:
    const MXIHost& m_host;
    unsigned int m_identifier;
};

} // namespace Rirediro
