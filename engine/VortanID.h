// CVortanID: root of the engine's identified objects. Each carries an identifier text,
// by default its own address in hex.
#pragma once
#include "engine/VortanString.h"

class CVortanID {
public:
    CVortanID();
    virtual ~CVortanID();

    // A new identified object on the heap.
    static CVortanID* Create();

    CVortanString& GetID() { return m_id; }
    const CVortanString& GetID() const { return m_id; }
    void SetID(const CVortanString& id) { m_id = id; }
    // The identifier becomes the object's address again: "0x" and at least eight
    // lowercase hex digits (all of them on a 64-bit machine).
    void ResetID();

private:
    CVortanString m_id;
};
