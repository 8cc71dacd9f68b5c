#pragma once
// The engine object, one per process: turns a database definition into a DbmsDatabase and
// names the currencies.

#include "DbmsDatabase.h"

class DbmsEngine {
public:
    // Runs the definition's Define and returns the database it describes, not yet attached.
    // The further argument of the original call has no meaning here.
    template <typename... Ignored>
    std::shared_ptr<DbmsDatabase>
    DefineDatabase(itfDefDatabase& definition, const QString& appName, itfNotifyEvent* notify,
                   std::shared_ptr<DbmsCurrency> conversion, Ignored&&...) {
        return Define(definition, appName, notify, std::move(conversion));
    }

    // The database stored in an open archive, as it is: structure read from the file, no
    // application rules, no structure update (restore and import read archives this way).
    std::shared_ptr<DbmsDatabase> OpenDatabase(std::shared_ptr<DbmsStorage> storage);

    std::shared_ptr<DbmsCurrency> NewLiraCurrency() const;
    std::shared_ptr<DbmsCurrency> NewEuroCurrency() const;

    // Texts of the event codes reported to itfNotifyEvent::OnEvent.
    static QString EventText(int code);

private:
    std::shared_ptr<DbmsDatabase> Define(itfDefDatabase& definition, const QString& appName,
                                         itfNotifyEvent* notify,
                                         std::shared_ptr<DbmsCurrency> conversion);
};
