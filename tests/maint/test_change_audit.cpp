// The change log an auditor reads: every committed add, change and deletion
// reaches the system log as one line naming the operator, the OS user and the
// workstation beside the old and new rows; a save the database refuses and
// rolls back sends nothing.
#include "ProgramHarness.h"

#include "store/Statements.h"
#include "sysinfo/cProfile.h"
#include "ui/Controls.h"
#include "ui/MessageService.h"

namespace k4::test {
namespace {

TEST(ChangeAudit, CommittedChangesReachTheSystemLogWithWhoAndWhere)
{
    ScreenHarness h(QStringLiteral("sqlite"));
    h.reset_schema();
    h.set_rows({{QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")},
                {QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0003")}});
    // A quote and a line break in the operator code stay inside its field.
    ASSERT_NO_FATAL_FAILURE(h.start({QStringLiteral("OP\"4\n2")}));

    // Added through the keys, with the question answered yes.
    h.add_row(QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004"), mb::IdYes);

    // Changed: Esc in the entry line saves without asking.
    const int changed_row = h.grid_row_of(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001"));
    ASSERT_GT(changed_row, 0);
    h.click_cell(changed_row, 1);
    h.form->JKBN->setFocus();
    h.form->JKBN->setText(QStringLiteral("0005"));
    h.key(Qt::Key_Escape);

    // Deleted with the button.
    const int deleted_row = h.grid_row_of(QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0003"));
    ASSERT_GT(deleted_row, 0);
    h.delete_row(deleted_row, mb::IdOK);

    // A change the database refuses: another operator writes the target row
    // while the question is open, so the insert fails and the removal of the
    // listed row is rolled back.
    const int refused_row = h.grid_row_of(QStringLiteral("C00009"), QStringLiteral("1"), QStringLiteral("0004"));
    ASSERT_GT(refused_row, 0);
    h.at_question(msg::confirm_update, [&h] {
        OdbcSandbox::shared().execute(
            h.dsn(), QStringLiteral("INSERT INTO FL1914利用情報区分マスタ VALUES ('C00009', '2', '0004')"));
    });
    h.change_row(refused_row, QStringLiteral("2"), mb::IdYes);
    ASSERT_EQ(h.messages.texts().back(), msg::update_failed);
    EXPECT_TRUE(h.table_rows().contains(QStringLiteral("C00009|1|0004")));

    const cProfile here;
    ASSERT_FALSE(here.User().isEmpty());
    ASSERT_FALSE(here.machine().isEmpty());
    const QString who = QStringLiteral("operator=\"OP\\\"4\\x0a2\" user=\"%1\" workstation=\"%2\"")
                            .arg(here.User(), here.machine());
    EXPECT_EQ(h.system_log,
              (QStringList{
                  QStringLiteral("added %1 old=- new=\"C00009/1/0004\"").arg(who),
                  QStringLiteral("changed %1 old=\"C00001/1/0001\" new=\"C00001/1/0005\"").arg(who),
                  QStringLiteral("deleted %1 old=\"C00002/1/0003\" new=-").arg(who),
              }));
}

}  // namespace
}  // namespace k4::test
