#pragma once

#include <QString>

namespace admin {

class AdminSession;

// 结束营业 of the registration and monitor windows: after a question, ends the
// shift of a till that has lost contact (storedb::windUpLostTill) and says
// what became of its lines and takings; a till still in contact, or not on
// duty, is refused with its message. True when the shift was ended.
bool windUpTillOutOfContact(AdminSession& session, const QString& jsj);

} // namespace admin
