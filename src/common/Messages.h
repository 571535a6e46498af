#pragma once
// Every message the operator reads, as the program has always worded it, in
// one place: the start-up failures, the questions, the refusals of the field
// checks and the results of the table statements. The administrators' command
// quotes the same refusals.

#include <QString>

namespace k4 {

// Start-up stops with one of these (OK only, no icon, caption K408020).
namespace startup_message {
inline const QString ini_read_error = QStringLiteral("INIﾌｧｲﾙ読込エラー");
inline const QString connect_error = QStringLiteral("接続エラー");
inline const QString item_setting_error = QStringLiteral("項目設定エラー");
// Kept with its siblings though nothing shows it: taking the operator code
// from the command line cannot fail.
inline const QString operator_input_error = QStringLiteral("オペレータ入力エラー");
}  // namespace startup_message

namespace msg {
// Questions.
inline const QString confirm_exit = QStringLiteral("終了してもよろしいですか");
inline const QString confirm_update = QStringLiteral("この内容で更新しますか");
inline const QString confirm_delete = QStringLiteral("削除してよろしいですか");
// Refusals of the field checks.
inline const QString partner_missing = QStringLiteral("相手先企業コードが入力されていません");
inline const QString transfer_type_missing = QStringLiteral("送受信種別が入力されていません");
inline const QString info_code_missing = QStringLiteral("情報区分コードが入力されていません");
inline const QString no_such_code = QStringLiteral("該当コードがありません");
inline const QString no_such_name = QStringLiteral("該当データがありませんでした");
// Results of the table statements.
inline const QString update_failed = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
inline const QString no_such_data = QStringLiteral("該当データがありません");
inline const QString duplicated = QStringLiteral("データが重複しています");
// The database cannot be reached, even after connecting again: the program's
// own text for a failed connection, shown on the screen as at start-up.
inline const QString connect_error = startup_message::connect_error;
}  // namespace msg

}  // namespace k4
