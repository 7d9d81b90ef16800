#include "product_facts.h"

#include "product_facts_configured.h"

namespace {
MakerAddresses Addresses{ConfiguredWebSite, ConfiguredContact, ConfiguredContribution, ConfiguredFeedback};
}  // namespace

const MakerAddresses& GetMakerAddresses() { return Addresses; }

MakerAddresses SetMakerAddresses(const MakerAddresses& addresses) {
    MakerAddresses previous = Addresses;
    Addresses = addresses;
    return previous;
}
