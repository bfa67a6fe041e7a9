#include "CCommandRouter.h"

CCmdUI CCommandRouter::Update(int id, const Chain& chain) {
    CCmdUI state(id);
    for (CCommandTarget* target : chain) {
        if (target && target->HasUpdateHandler(id)) {
            state.Enable(true);
            target->InvokeUpdate(state);
            return state;
        }
    }
    for (CCommandTarget* target : chain) {
        if (target && target->HasHandler(id)) {
            state.Enable(true);
            break;
        }
    }
    return state;
}

bool CCommandRouter::Execute(int id, const Chain& chain) {
    if (!Update(id, chain).IsEnabled()) return false;
    for (CCommandTarget* target : chain) {
        if (target && target->HasHandler(id)) {
            target->Invoke(id);
            return true;
        }
    }
    return false;
}
