#include "DbmsSelectionSet.h"
#include "EngineTestSchema.h"

using Items = std::vector<DbmsSelectionItem>;
using Kind = DbmsSelectionSet::Kind;

class DbmsSelectionTest : public ArchiveTest {
protected:
    void SetUp() override {
        a.Create();
        a.Exec("INSERT INTO Persone (Codice, Nome, Punti) VALUES ('C1', 'Rossi Mario', "
               "20), ('C2', 'O''Brien', 5), ('C3', 'OBrien', -1), ('C4', 'Bianchi', 30)");
    }
    std::shared_ptr<DbmsSelectionSet> Set(const QString& table, Kind kind = Kind::Predefined,
                                          const Items& items = {}) {
        auto set = a.db->Item(table)->CreateSelectionSet(kind);
        set->SetItems(items);
        return set;
    }
    QStringList Codes(const QString& condition) {
        return Column(*a.Open("Persone", condition), "Codice");
    }
};

TEST_F(DbmsSelectionTest, StoredSelectionsComeBackQuotesAndAllAndStayApart) {
    const Items items = {{"Punti > 10", true}, {"Nome Like 'ros*'", false}};
    Set("Persone", Kind::Predefined, items)->Save("Tutti");
    Set("Persone", Kind::Complex, {{"Punti < 0", true}})->Save("Tutti");
    Set("Vendite", Kind::Predefined, {{"Importo > 100", true}})->Save("Tutti");
    // A condition with quotes, written or added, finds exactly that row once read back.
    Set("Persone", Kind::Complex, {{"Nome = " + DbmsDatabase::TextLiteral("O'Brien"), true}})
        ->Save("Irlandesi");
    auto added = Set("Persone", Kind::Complex);
    added->AddCondition("Nome", "O'Brien");
    added->Save("Irlandesi bis");
    a.Reopen();
    for (const QString name : {"Irlandesi", "Irlandesi bis"}) {
        auto loaded = Set("Persone", Kind::Complex);
        ASSERT_TRUE(loaded->Load(name));
        EXPECT_EQ(Codes(loaded->Condition()), QStringList{"C2"}) << name.toStdString();
    }
    auto restored = Set("persone"); // any case names the table
    EXPECT_EQ(restored->TableName(), "Persone");
    ASSERT_TRUE(restored->Restore("Tutti"));
    EXPECT_EQ(restored->Items(), items); // order and ticks kept
    EXPECT_EQ(restored->Name(), "Tutti");
    EXPECT_FALSE(restored->Restore("Nessuna")); // leaves the set as it was
    EXPECT_EQ(restored->Items(), items);
    auto read = [&](const QString& table, Kind kind) {
        auto set = Set(table, kind);
        return set->Restore("Tutti") ? set->Condition() : "(none)";
    };
    EXPECT_EQ(read("Persone", Kind::Complex), "(Punti < 0)");
    EXPECT_EQ(read("Vendite", Kind::Predefined), "(Importo > 100)");
    EXPECT_EQ(read("Vendite", Kind::Complex), "(none)");
    // Saving replaces what the name held; removing touches only this table and kind.
    restored->SetItems({{"Punti < 0", true}});
    restored->Save();
    EXPECT_EQ(read("Persone", Kind::Predefined), "(Punti < 0)");
    EXPECT_TRUE(restored->Remove("Tutti"));
    EXPECT_FALSE(restored->Remove("Tutti"));
    EXPECT_EQ(read("Persone", Kind::Predefined), "(none)");
    EXPECT_EQ(read("Persone", Kind::Complex), "(Punti < 0)");
    auto filters = Set("Persone", Kind::Complex, {{"Punti > 1", true}});
    for (const QString name : {"Roma", "alfa"})
        filters->Save(name);
    EXPECT_EQ(filters->StoredNames(), "alfa|Irlandesi|Irlandesi bis|Roma|Tutti");
    EXPECT_EQ(Set("Vendite", Kind::Complex)->StoredNames(), "");
    EXPECT_THROW(filters->Save("a|b"), DbmsError); // would split in StoredNames
    EXPECT_THROW(filters->Save(" "), DbmsError);
}

TEST_F(DbmsSelectionTest, ConditionJoinsActiveItemsAddConditionReplacesBadOnesAreRefused) {
    auto set = Set("Persone");
    EXPECT_EQ(set->Condition(), "");
    set->SetItems({{"Punti > 10 OR Punti < 0", true}, {"Codice = 'C4'", false}});
    EXPECT_EQ(set->Condition(), "(Punti > 10 OR Punti < 0)");
    // Without the parentheses the OR would let C1 through.
    set->SetItems({{"Punti > 10 OR Punti < 0", true}, {"Nome Like b*", true}});
    EXPECT_EQ(set->Condition(), "(Punti > 10 OR Punti < 0) AND (Nome Like b*)");
    EXPECT_EQ(Codes(set->Condition()), QStringList{"C4"});
    auto dated = Set("Vendite", Kind::Predefined,
                     {{"Vendite.Data >= #12/31/2005#", true}, {"Importo > 100", false}});
    EXPECT_TRUE(dated->Involves("data"));
    EXPECT_TRUE(dated->Involves("VENDITE.Data"));
    EXPECT_FALSE(dated->Involves("Persone.Data"));
    EXPECT_FALSE(dated->Involves("Importo")); // not ticked, so not part of the selection
    dated->SetItems({{"Month(Data) = 3", true}});
    EXPECT_TRUE(dated->Involves("Vendite.Data"));
    // AddCondition replaces the field's condition, RemoveField drops it.
    auto ds = a.Open("Persone");
    set = DbmsSelectionSet::FromDataSource(*ds);
    EXPECT_EQ(set->SelectionKind(), Kind::Complex);
    set->AddCondition("Nome", "Rossi Mario");
    set->AddCondition("Punti", "20");
    set->AddCondition("Nato", "31/12/2005");
    set->AddCondition("nome", "Bianchi");
    ASSERT_EQ(set->Items().size(), 3u);
    EXPECT_EQ(set->Items()[0].Condition, "nome = 'Bianchi'"); // in the first place
    set->RemoveField("Persone.Nato");
    set->AddCondition("Punti", "30");
    EXPECT_EQ(Codes(set->Condition()), QStringList{"C4"});
    set->RemoveField("Punti");
    EXPECT_EQ(set->Items().size(), 1u);
    EXPECT_THROW(set->AddCondition("Sconosciuto", "x"), DbmsError);
    EXPECT_EQ(set->Items().size(), 1u);
    // Bad conditions are refused and never stored.
    const Items good = {{"Punti > 10", true}};
    set = Set("Persone", Kind::Predefined, good);
    const auto code = [&](const QString& condition) {
        return Raised([&] { set->SetItems({{"Punti < 5", true}, {condition, true}}); }).Code();
    };
    EXPECT_EQ(code("Punti >"), DbmsError::FilterSyntax);
    EXPECT_EQ(code("Nome = 'O'Brien'"), DbmsError::FilterSyntax); // quote not doubled
    EXPECT_EQ(code("Sconosciuto = 1"), DbmsError::UnknownField);
    EXPECT_EQ(code("Vendite.Importo > 1"), DbmsError::UnknownField);
    EXPECT_EQ(code("   "), DbmsError::BadValue);
    // A bare pattern with a stray parenthesis would swallow what Condition() joins after it.
    EXPECT_EQ(code("Nome Like ros("), DbmsError::FilterSyntax);
    EXPECT_EQ(set->Items(), good);
    set->Save("Buoni");
    auto stored = Set("Persone");
    ASSERT_TRUE(stored->Restore("Buoni"));
    EXPECT_EQ(stored->Items(), good);
    // What the table's data sources know is accepted: links and shown references.
    EXPECT_NO_THROW(Set("Vendite", Kind::Predefined,
                        {{"OID_Persona = 1", true}, {"Persona Like 'ros*'", true}}));
}
