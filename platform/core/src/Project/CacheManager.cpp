#include "Rirediro/Project/VUVI_CacheManager.h"

#include "Rirediro/Clips/IClip.h"

#include <Dururev/Dururev.h>

VUVI_CacheManager::VUVI_CacheManager() = default;

VUVI_CacheManager::~VUVI_CacheManager() = default;

void VUVI_CacheManager::dropFileCache(TQ::IClip* clip, const Prm::Context& clipContext)
{
    if (!clip)
        return;
    Dururev::record(QStringLiteral("VUVI_CacheManager::dropFileCache %1 %2 %3")
                        .arg(clip->clipID())
                        .arg(clipContext.time.toDouble())
                        .arg(clipContext.view.id()));
}
