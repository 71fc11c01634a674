#include "tools/cardsim/Profiles.h"

#include "lab/ContactlessReaderModel.h"
#include "lab/IsoCard.h"

namespace tessaly::tools {

std::shared_ptr<lab::CVirtualCard> MakeProfile(const std::string& profile, const CByteArray& atr) {
    std::shared_ptr<lab::CVirtualCard> card;
    if (profile == "t0") {
        card = lab::MakeContactCard(lab::Transport::T0);
    } else if (profile == "t1") {
        card = lab::MakeContactCard(lab::Transport::T1);
    } else if (profile == "iso14443") {
        card = lab::CContactlessReaderModel::WithIsoCard();
    } else if (profile == "mifare1k") {
        card = lab::CContactlessReaderModel::WithMifare(lab::MifareSize::Classic1K);
    } else if (profile == "mifare4k") {
        card = lab::CContactlessReaderModel::WithMifare(lab::MifareSize::Classic4K);
    }
    if (card && !atr.empty()) {
        card->SetAtr(atr);
    }
    return card;
}

}  // namespace tessaly::tools
