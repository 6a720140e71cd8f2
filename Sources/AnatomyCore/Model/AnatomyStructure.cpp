#include "AnatomyCore/Model/AnatomyStructure.h"

namespace morvena {

bool AnatomyStructure::hasExtendedCard() const
{
    return descriptionText || function || origin || insertion || innervation || bloodSupply;
}

} // namespace morvena
