// The record decoders: one record of a received list, fields in their fixed order.
#pragma once
#include "online/protocol/ASN1Field.h"
#include "online/protocol/ASN1Records.h"
#include "online/protocol/ASN1Wire.h"

// Each decoder is bound to one record of the owner's list (CASN1_SequenceOf). Decode reads the
// record's fields in order from at most `size` octets (the record's declared length), every
// field identifier of class 0x80 (the player list item's group 0xA0), the numbers not compared;
// it returns the octets consumed, 0 when a field is missing, cut or of another class. Records
// are never sent: Encode writes nothing and returns 0.
#define ASN1_RECORD_DECODER(Name, RecordType)                                                      \
    class Name : public CASN1_Field {                                                              \
    public:                                                                                        \
        typedef RecordType Record;                                                                 \
        enum { ELEMENT_OCTET = ASN1_ELEMENT_RECORD };                                              \
        explicit Name(RecordType* record) : m_record(record) {}                                    \
        int Encode(u8* buffer, int size) override                                                  \
        {                                                                                          \
            (void)buffer;                                                                          \
            (void)size;                                                                            \
            return 0;                                                                              \
        }                                                                                          \
        int Decode(const u8* buffer, int size) override;                                           \
                                                                                                   \
    private:                                                                                       \
        RecordType* m_record;                                                                      \
    }

ASN1_RECORD_DECODER(CPlayerListItemDecoder, SPlayerListItem);
ASN1_RECORD_DECODER(CGroupListItemDecoder, SGroupListItem);
ASN1_RECORD_DECODER(CItemDataDecoder, SItemData);
ASN1_RECORD_DECODER(CShopGroupDataDecoder, SShopGroupData);
ASN1_RECORD_DECODER(CShopItemDataDecoder, SShopItemData);
ASN1_RECORD_DECODER(CBuyItemPlayerInfoDecoder, SBuyItemPlayerInfo);
ASN1_RECORD_DECODER(CLanguageInfoDecoder, SLanguageInfo);
ASN1_RECORD_DECODER(CAchievementInfoDecoder, SAchievementInfo);

#undef ASN1_RECORD_DECODER
