#pragma once

#include <Bsc/GanImage.h>
#include <Prm/View.h>

#include <QFlags>

namespace TQ {
class IClip;
}

namespace Rirediro {

// What the core asks of whoever runs it on behalf of a host application:
// what to render, where rendered images go, and how the host shows its views.
// The defaults answer for a host that asks for none of it.
class PluginHost
{
public:
    // What conforming a host's project to the host's own state brings over.
    enum ConformOption {
        ConformNothing = 0x0,
        // The first clip reads the footage as the host now stores it.
        ConformClipInfo = 0x1,
        // The project is as long as the host now stores it.
        ConformLength = 0x2,
    };
    Q_DECLARE_FLAGS(ConformOptions, ConformOption)

    // What setDestinationImage answers when the host takes no images.
    static constexpr int DestinationNotTaken = 3;

    virtual ~PluginHost();

    virtual unsigned int renderFlags() const { return 0; }
    // The clip the host wants rendered; null for none.
    virtual TQ::IClip* clipToRender() const { return nullptr; }
    // Hands a rendered image of a view to the host.
    virtual int setDestinationImage(const Bsc::detail::GanImage_Ptr<Gan_Image>& image, const Prm::View& view);
    // The image the host holds for a clip's view; empty for none.
    virtual Bsc::detail::GanImage_Ptr<Gan_Image> destinationImage(TQ::IClip* clip, const Prm::View& view) const;
    // Whether the host shows the project's views in swapped order.
    virtual bool swapViews() const { return false; }
    // Whether the host's project is shown in the full main window.
    virtual bool isGuiHost() const = 0;
};

} // namespace Rirediro

Q_DECLARE_OPERATORS_FOR_FLAGS(Rirediro::PluginHost::ConformOptions)
