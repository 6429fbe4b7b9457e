// The installer's message texts as the tests expect them, byte for byte:
// written here once, apart from the code that shows them, so a changed
// text in the code fails the tests.
#pragma once

namespace installer_texts {

// The wizard driver and the setup dialog.
inline constexpr char kStart[] = "インストールを開始します。\nよろしいですか？";
inline constexpr char kQuit[] = "インストールは終わっていません。\n終了しますか？";
inline constexpr char kNoDest[] = "インストール先のフォルダを指定してください。";
inline constexpr char kCreate[] =
    "インストール先のフォルダは存在しません。\nフォルダを作成してもよろしいですか？";
inline constexpr char kCreateFailed[] = "フォルダの作成に失敗しました。";
inline constexpr char kOverwrite[] = "インストール先のフォルダは存在します。\n上書きしてもよろしいですか？";
inline constexpr char kFileInTheWay[] =
    "インストール先のフォルダと\n同名のファイルがあります。\nフォルダの指定をやり直してください。";
inline constexpr char kNotComplete[] = "インストールは完了していません。";
inline constexpr char kGuardedDest[] = "このフォルダにはインストールできません。";
inline constexpr char kUntrustedDest[] =
    "管理者以外のユーザーが変更できるフォルダにはインストールできません。";
inline constexpr char kOwnFolder[] =
    "インストーラーのフォルダを開けませんでした。\nインストールを終了します。";
// The copy and the registration.
inline constexpr char kNoInstallDat[] = "install.datが見つかりませんでした。";
inline constexpr char kNoProgressBar[] = "Error:Can't find ProgressBar";
inline constexpr char kCopyFailed[] = "ファイルのコピーに失敗しました。";
inline constexpr char kUninstallerCopyFailed[] = "アンインストーラーのコピーに失敗しました。";
inline constexpr char kStartMenuFailed[] = "スタートメニューへの登録に失敗しました。";
// After a page's path.
inline constexpr char kPageNotFound[] = "が見つかりませんでした。";
inline constexpr char kPageNotWritten[] = "を作れませんでした。";

}  // namespace installer_texts
