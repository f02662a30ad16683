<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>AlarmDialog</name>
    <message>
        <source>警報</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>µSv/h。0 で警報なし</source>
        <translation>µSv/h. 0: no alarm</translation>
    </message>
    <message>
        <source>音で知らせる</source>
        <translation>Sound the alarm</translation>
    </message>
    <message>
        <source>確定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>警報値 (µSv/h)</source>
        <translation>Threshold (µSv/h)</translation>
    </message>
    <message>
        <source>0 以上の数を入力してください</source>
        <translation>Enter a number of 0 or more</translation>
    </message>
</context>
<context>
    <name>AlarmIndicator</name>
    <message>
        <source>警報: %1 µSv/h (%2)</source>
        <translation>Alarm: %1 µSv/h (%2)</translation>
    </message>
    <message>
        <source>線量率の警報</source>
        <translation>Dose-rate alarm</translation>
    </message>
    <message>
        <source>線量率の警報が解除されました</source>
        <translation>Dose-rate alarm cleared</translation>
    </message>
</context>
<context>
    <name>ChartPane</name>
    <message>
        <source>yy/mm/dd, hh:nn か yy/mm/dd の形で入力してください</source>
        <translation>Enter yy/mm/dd, hh:nn or yy/mm/dd</translation>
    </message>
    <message>
        <source>その日時より後のサンプルはありません</source>
        <translation>No samples after that time</translation>
    </message>
    <message>
        <source>平均 %1 CPM (%2〜%3)</source>
        <translation>Mean %1 CPM (%2–%3)</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>ソラミネ</source>
        <translation>Solamine</translation>
    </message>
</context>
<context>
    <name>ErrorTexts</name>
    <message>
        <source>%1 に接続できました。</source>
        <translation>Connected to %1.</translation>
    </message>
    <message>
        <source>%1 が接続を拒否しました (ユーザー名・パスワード・権限を確認してください): %2</source>
        <translation>%1 refused the connection (check the user name, password and permissions): %2</translation>
    </message>
    <message>
        <source>%1 の証明書を確認できません (CA ファイルとホスト名を確認してください): %2</source>
        <translation>Cannot verify the certificate of %1 (check the CA file and the host name): %2</translation>
    </message>
    <message>
        <source>%1 に接続できません: %2</source>
        <translation>Cannot connect to %1: %2</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>Not a regular file</translation>
    </message>
    <message>
        <source>%1 MiB を超える大きさです</source>
        <translation>Larger than %1 MiB</translation>
    </message>
    <message>
        <source>%1 行を超えています</source>
        <translation>More than %1 lines</translation>
    </message>
    <message>
        <source>メモリが足りません</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <source>読み込みを中断しました</source>
        <translation>Reading was interrupted</translation>
    </message>
    <message>
        <source>ファイルが短くなっています</source>
        <translation>The file has become shorter</translation>
    </message>
    <message>
        <source>フォルダを作れません</source>
        <translation>Cannot create the folder</translation>
    </message>
    <message>
        <source>同じ名前のファイルが多すぎます</source>
        <translation>Too many files with the same name</translation>
    </message>
    <message>
        <source>PDF を作れません</source>
        <translation>Cannot create the PDF</translation>
    </message>
    <message>
        <source>所有者以外も読めるので使いません</source>
        <translation>Not used: others than its owner can read it</translation>
    </message>
    <message>
        <source>ファイル %1 は開けません。 %2 </source>
        <translation>Cannot open the file %1. %2 </translation>
    </message>
    <message>
        <source>%1 を読みません (%2)。既定の設定を使い、書き込みません</source>
        <translation>Not reading %1 (%2). Using the default settings and not writing them</translation>
    </message>
    <message>
        <source>%1 に書き込めません</source>
        <translation>Cannot write to %1</translation>
    </message>
    <message>
        <source>ファイル &quot;%1&quot; を作成できません。%2</source>
        <translation>Cannot create the file &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>MQTT: %1 分が送信を待っています。最も古い %2 の分を捨てました</source>
        <translation>MQTT: %1 minutes are waiting to be sent. Dropped the oldest minute, %2</translation>
    </message>
    <message>
        <source>%1 との接続が切れました: %2</source>
        <translation>Lost the connection to %1: %2</translation>
    </message>
    <message>
        <source>MQTT: %1。%2 秒後に再接続します (%3 分待機)</source>
        <translation>MQTT: %1. Reconnecting in %2 s (%3 minutes waiting)</translation>
    </message>
    <message>
        <source>GMC マップ</source>
        <translation>GMC Map</translation>
    </message>
    <message>
        <source>HTTP %1「%2」</source>
        <translation>HTTP %1 &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1: アカウント ID が登録されていません (ERR1)</source>
        <translation>%1: the account ID is not registered (ERR1)</translation>
    </message>
    <message>
        <source>%1: カウンター ID が登録されていません (ERR2)</source>
        <translation>%1: the counter ID is not registered (ERR2)</translation>
    </message>
    <message>
        <source>%1 が測定値を受け付けました</source>
        <translation>%1 accepted the reading</translation>
    </message>
    <message>
        <source>%1: 送信の間隔が短すぎるとの応答です: %2</source>
        <translation>%1: it answered that readings are sent too often: %2</translation>
    </message>
    <message>
        <source>%1 が拒否しました (ユーザー名・パスワード・キーを確認してください): %2</source>
        <translation>%1 refused (check the user name, password and key): %2</translation>
    </message>
    <message>
        <source>%1 から応答がありません: %2</source>
        <translation>No answer from %1: %2</translation>
    </message>
    <message>
        <source>%1 がエラーを返しました: %2</source>
        <translation>%1 returned an error: %2</translation>
    </message>
    <message>
        <source>%1: 送信を再開しました (%2 件待機)</source>
        <translation>%1: sending again (%2 waiting)</translation>
    </message>
    <message>
        <source>%1 (%2)。%3 秒後に再送します (%4 件待機)</source>
        <translation>%1 (%2). Sending again in %3 s (%4 waiting)</translation>
    </message>
    <message>
        <source>%1。待機中の測定値は %2 秒ごとに送ります</source>
        <translation>%1. Waiting readings are sent every %2 s</translation>
    </message>
    <message>
        <source>%1 (%2)。次に開始するまで %3 には送信しません</source>
        <translation>%1 (%2). Nothing is sent to %3 until the next start</translation>
    </message>
    <message>
        <source>%1: %2 件が送信を待っています。%3 からの古いものを捨てます</source>
        <translation>%1: %2 readings are waiting to be sent. Dropping the old ones from %3</translation>
    </message>
    <message>
        <source>フォルダが空です</source>
        <translation>the folder is empty</translation>
    </message>
    <message>
        <source>日ごとのログ (YYYY-MM-DD.csv) がありません</source>
        <translation>it holds no daily logs (YYYY-MM-DD.csv)</translation>
    </message>
    <message>
        <source>フォルダ %1 が見つかりません。</source>
        <translation>Folder %1 was not found.</translation>
    </message>
    <message>
        <source>フォルダ %1 は開けません。 %2 </source>
        <translation>Cannot open folder %1. %2 </translation>
    </message>
</context>
<context>
    <name>GapMarks</name>
    <message>
        <source>欠測 %1 分 (%2 – %3)</source>
        <translation>No data for %1 min (%2 – %3)</translation>
    </message>
    <message>
        <source>欠測 %1 時間 %2 分 (%3 – %4)</source>
        <translation>No data for %1 h %2 min (%3 – %4)</translation>
    </message>
</context>
<context>
    <name>GoToDialog</name>
    <message>
        <source>移動</source>
        <translation>Go To</translation>
    </message>
    <message>
        <source>日時 (yy/mm/dd, hh:nn または yy/mm/dd)</source>
        <translation>Time (yy/mm/dd, hh:nn or yy/mm/dd)</translation>
    </message>
</context>
<context>
    <name>HelpMenu</name>
    <message>
        <source>カウンタが見つからないときは、次を確かめてください。
・カウンタが USB に差し込まれていること。
・Linux では README の udev ルールを入れてから、カウンタを抜いて差し直すこと。
・端末で solamine-cli devices を実行すると、見つかったカウンタと開けない理由が分かります。
・カウンタなしで試すには、solamine --simulate (内蔵の仮想カウンタ) で起動してください。</source>
        <translation>When no counter is found, check the following.
• The counter is plugged into USB.
• On Linux, the udev rule from the README is installed, and the counter was unplugged and plugged in again afterwards.
• Running solamine-cli devices in a terminal lists the counters found and why one cannot be opened.
• To try the program without a counter, start it with solamine --simulate (the built-in virtual counter).</translation>
    </message>
    <message>
        <source>ソラミネ Ver </source>
        <translation>Solamine Ver </translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>カウンタが見つからないとき(&amp;C)...</source>
        <translation>&amp;Counter Not Found...</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)...</source>
        <translation>&amp;About...</translation>
    </message>
    <message>
        <source>カウンタが見つからないとき</source>
        <translation>Counter Not Found</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About</translation>
    </message>
</context>
<context>
    <name>LanguageMenu</name>
    <message>
        <source>言語(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>言語の選択を設定ファイルに書き込めません</source>
        <translation>Cannot write the language choice to the settings file</translation>
    </message>
</context>
<context>
    <name>MainMenus</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新規作成(&amp;N)</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>開く(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>上書き保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>名前をつけて保存(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>復元フォルダを開く(&amp;R)...</source>
        <translation>Open &amp;Recovery Folder...</translation>
    </message>
    <message>
        <source>グラフを画像で保存(&amp;I)...</source>
        <translation>Save Chart as &amp;Image...</translation>
    </message>
    <message>
        <source>集計を CSV で保存(&amp;U)...</source>
        <translation>Save S&amp;ummaries as CSV...</translation>
    </message>
    <message>
        <source>最近使ったファイル(&amp;F)</source>
        <translation>Recent &amp;Files</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>ロガー(&amp;L)</source>
        <translation>&amp;Logger</translation>
    </message>
    <message>
        <source>接続/開始(&amp;B)</source>
        <translation>&amp;Connect/Start</translation>
    </message>
    <message>
        <source>切断/停止(&amp;S)</source>
        <translation>&amp;Disconnect/Stop</translation>
    </message>
    <message>
        <source>グラフ再描画(&amp;G)</source>
        <translation>Redraw &amp;Graphs</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>ログを隠す(&amp;H)</source>
        <translation>&amp;Hide Log</translation>
    </message>
    <message>
        <source>ログを表示(&amp;S)...</source>
        <translation>&amp;Show Log...</translation>
    </message>
    <message>
        <source>各種設定(&amp;M)...</source>
        <translation>&amp;General Settings...</translation>
    </message>
    <message>
        <source>警報(&amp;A)...</source>
        <translation>&amp;Alarm...</translation>
    </message>
    <message>
        <source>MQTT 送信(&amp;T)...</source>
        <translation>MQ&amp;TT Publishing...</translation>
    </message>
    <message>
        <source>公開マップ送信(&amp;P)...</source>
        <translation>&amp;Public Maps...</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>移動(&amp;G)...</source>
        <translation>&amp;Go To...</translation>
    </message>
    <message>
        <source>集計(&amp;S)...</source>
        <translation>&amp;Summaries...</translation>
    </message>
    <message>
        <source>フォルダを開く(&amp;D)...</source>
        <translation>Open Fol&amp;der...</translation>
    </message>
</context>
<context>
    <name>MapCommand</name>
    <message>
        <source>%1: パスワードまたはキーが %2 にないため送信しません</source>
        <translation>%1: not sending, as %2 holds no password or key</translation>
    </message>
</context>
<context>
    <name>MapDialog</name>
    <message>
        <source>公開マップ送信</source>
        <translation>Public Maps</translation>
    </message>
    <message>
        <source>完了した分を radmon.org に送信する</source>
        <translation>Send finished minutes to radmon.org</translation>
    </message>
    <message>
        <source>完了した分を GMC マップに送信する</source>
        <translation>Send finished minutes to the GMC Map</translation>
    </message>
    <message>
        <source>完了した分を Safecast に送信する</source>
        <translation>Send finished minutes to Safecast</translation>
    </message>
    <message>
        <source>測定値はユーザー名とともに公開されます。</source>
        <translation>Readings are published with your user name.</translation>
    </message>
    <message>
        <source>時刻を受け付けないため、最新の値だけを送ります。</source>
        <translation>It takes no times, so only the latest reading is sent.</translation>
    </message>
    <message>
        <source>測定値は位置とともに地図上に公開されます。</source>
        <translation>Readings are published on the map with their position.</translation>
    </message>
    <message>
        <source> 分ごと</source>
        <translation> min</translation>
    </message>
    <message>
        <source>送信テスト</source>
        <translation>Send Test</translation>
    </message>
    <message>
        <source>ユーザー</source>
        <translation>User</translation>
    </message>
    <message>
        <source>データ送信用パスワード</source>
        <translation>Data-sending password</translation>
    </message>
    <message>
        <source>アカウント ID</source>
        <translation>Account ID</translation>
    </message>
    <message>
        <source>カウンター ID</source>
        <translation>Counter ID</translation>
    </message>
    <message>
        <source>例: 35.6812 (度、南緯は負)</source>
        <translation>e.g. 35.6812 (degrees, negative south)</translation>
    </message>
    <message>
        <source>例: 139.7671 (度、西経は負)</source>
        <translation>e.g. 139.7671 (degrees, negative west)</translation>
    </message>
    <message>
        <source>空欄: 送らない</source>
        <translation>Empty: not sent</translation>
    </message>
    <message>
        <source>緯度</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <source>経度</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <source>API キー</source>
        <translation>API key</translation>
    </message>
    <message>
        <source>デバイス ID</source>
        <translation>Device ID</translation>
    </message>
    <message>
        <source>送信間隔</source>
        <translation>Every</translation>
    </message>
    <message>
        <source>確定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ユーザーとデータ送信用パスワードを入力してください。</source>
        <translation>Enter the user and the data-sending password.</translation>
    </message>
    <message>
        <source>アカウント ID とカウンター ID を空白や「:」を含めずに入力してください。</source>
        <translation>Enter the account ID and the counter ID without spaces or &quot;:&quot;.</translation>
    </message>
    <message>
        <source>緯度 (-90〜90)・経度 (-180〜180) を度で、API キーを入力してください。</source>
        <translation>Enter the latitude (-90 to 90) and longitude (-180 to 180) in degrees, and the API key.</translation>
    </message>
    <message>
        <source>送信しています…</source>
        <translation>Sending…</translation>
    </message>
    <message>
        <source>測定値がないため試験値 %1 CPM を送りました。</source>
        <translation>No readings yet, so sent a test value of %1 CPM.</translation>
    </message>
    <message>
        <source>最新の分 (%1 CPM) を送りました。</source>
        <translation>Sent the latest minute (%1 CPM).</translation>
    </message>
    <message>
        <source>%1
%2。</source>
        <translation>%1
%2.</translation>
    </message>
</context>
<context>
    <name>MqttCommand</name>
    <message>
        <source>MQTT: 接続中</source>
        <translation>MQTT: connected</translation>
    </message>
    <message>
        <source>MQTT: 接続しています</source>
        <translation>MQTT: connecting</translation>
    </message>
    <message>
        <source>MQTT: 再接続待ち (%1 分待機)</source>
        <translation>MQTT: waiting to reconnect (%1 minutes waiting)</translation>
    </message>
</context>
<context>
    <name>MqttDialog</name>
    <message>
        <source>MQTT 送信</source>
        <translation>MQTT Publishing</translation>
    </message>
    <message>
        <source>完了した分をブローカーに送信する</source>
        <translation>Send finished minutes to the broker</translation>
    </message>
    <message>
        <source>mqtt://broker.lan または mqtts://broker.lan:8883</source>
        <translation>mqtt://broker.lan or mqtts://broker.lan:8883</translation>
    </message>
    <message>
        <source>トピック solamine/ID/… の ID (a-z, 0-9, _, -)</source>
        <translation>The ID in the topic solamine/ID/… (a-z, 0-9, _, -)</translation>
    </message>
    <message>
        <source>空欄: システムの証明書</source>
        <translation>Empty: the system&apos;s certificates</translation>
    </message>
    <message>
        <source>Home Assistant の自動検出</source>
        <translation>Home Assistant discovery</translation>
    </message>
    <message>
        <source>接続テスト</source>
        <translation>Test Connection</translation>
    </message>
    <message>
        <source>確定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ブローカー URL</source>
        <translation>Broker URL</translation>
    </message>
    <message>
        <source>局 ID</source>
        <translation>Station ID</translation>
    </message>
    <message>
        <source>ユーザー</source>
        <translation>User</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>CA ファイル</source>
        <translation>CA file</translation>
    </message>
    <message>
        <source>ブローカー URL は mqtt://ホスト[:ポート] か mqtts://… の形で入力してください。</source>
        <translation>Enter the broker URL as mqtt://host[:port] or mqtts://….</translation>
    </message>
    <message>
        <source>局 ID は a-z, 0-9, _, - の 1〜64 文字で入力してください。</source>
        <translation>Enter the station ID as 1 to 64 characters of a-z, 0-9, _ and -.</translation>
    </message>
    <message>
        <source>接続しています…</source>
        <translation>Connecting…</translation>
    </message>
</context>
<context>
    <name>QtFileDialogs</name>
    <message>
        <source>PNG 画像 (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>CSVファイル|*.csv</source>
        <translation>CSV files|*.csv</translation>
    </message>
</context>
<context>
    <name>RecoveryStore</name>
    <message>
        <source>%1: 0 分</source>
        <translation>%1: 0 minutes</translation>
    </message>
    <message>
        <source>%1: %2 - %3, %4 分</source>
        <translation>%1: %2 - %3, %4 minutes</translation>
    </message>
</context>
<context>
    <name>SettingsCommand</name>
    <message>
        <source>接続されていません。</source>
        <translation>Not connected.</translation>
    </message>
    <message>
        <source>接続確認</source>
        <translation>Connection</translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source>接続中</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>カウンタが見つかりません</source>
        <translation>No counter found</translation>
    </message>
    <message>
        <source>再接続待ち</source>
        <translation>Waiting to reconnect</translation>
    </message>
    <message>
        <source>未接続</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>--simulate で起動したため、本物のカウンタではなく内蔵の仮想カウンタ (平均 35 CPM 前後) から記録しています。</source>
        <translation>Started with --simulate: logging the built-in virtual counter (about 35 CPM on average), not a real one.</translation>
    </message>
    <message>
        <source>%1 (仮想カウンタ)</source>
        <translation>%1 (virtual counter)</translation>
    </message>
    <message>
        <source>%1 件</source>
        <translation>%1 samples</translation>
    </message>
    <message>
        <source>(ファイルなし)</source>
        <translation>(no file)</translation>
    </message>
    <message>
        <source>自動保存に失敗しました</source>
        <translation>Automatic save failed</translation>
    </message>
    <message>
        <source>読み取れない行: %1 (最初は %2 行目)</source>
        <translation>Unreadable lines: %1 (first at line %2)</translation>
    </message>
    <message>
        <source>このファイルには自動保存しません。上書き保存で書き直せます。</source>
        <translation>This file is not saved automatically. Save rewrites it.</translation>
    </message>
    <message>
        <source>自動保存しません: 秒や4桁の年を含むファイル (最初は %1 行目)</source>
        <translation>Not saved automatically: the file has seconds or four-digit years (first at line %1)</translation>
    </message>
    <message>
        <source>自動保存の形式では読み戻した時刻が変わります。上書き保存で書き直せます。</source>
        <translation>In the automatic save&apos;s format the times read back would change. Save rewrites it.</translation>
    </message>
    <message>
        <source>未保存のログを保存しました: %1</source>
        <translation>Saved the unsaved log: %1</translation>
    </message>
    <message>
        <source>見つからないため最近使ったファイルから外しました: %1</source>
        <translation>Not found, so removed from the recent files: %1</translation>
    </message>
    <message>
        <source>別のウィンドウが記録中のファイルの写しです: %1</source>
        <translation>A copy of a file another window is logging to: %1</translation>
    </message>
    <message>
        <source>そのファイルには自動保存しません。</source>
        <translation>That file is not saved automatically.</translation>
    </message>
    <message>
        <source>保存済みの復元ファイルを削除しました: %1</source>
        <translation>Deleted a recovery file that was already saved: %1</translation>
    </message>
    <message>
        <source>復元できるログがあります</source>
        <translation>There are logs to recover</translation>
    </message>
    <message>
        <source>ファイル → 復元フォルダを開く</source>
        <translation>File → Open Recovery Folder</translation>
    </message>
    <message>
        <source>最後に終わった 1 分のカウントと、直前 10 分の平均から求めた線量率です。</source>
        <translation>The count of the last finished minute, and the dose rate from the mean of the last 10 minutes.</translation>
    </message>
    <message>
        <source>最後に終わった 1 分のカウントです。線量率 (µSv/h) は直前 10 分の平均から求めるため、ログの最初の 10 分には表示しません。</source>
        <translation>The count of the last finished minute. The dose rate (µSv/h) comes from the mean of the last 10 minutes, so it is not shown for the first 10 minutes of a log.</translation>
    </message>
    <message>
        <source>%1 の 1 分は %2 秒しか数えていないため記録しません</source>
        <translation>The minute of %1 counted only %2 seconds and is not logged</translation>
    </message>
    <message>
        <source>フォルダ %1 (%2 ファイル、読み取り専用)</source>
        <translation>Folder %1 (%2 files, read-only)</translation>
    </message>
    <message>
        <source>行番号は記録全体を一つのファイルに保存したときのものです。</source>
        <translation>Line numbers are those of the whole record saved as one file.</translation>
    </message>
    <message>
        <source>重複した %1 分を 1 つにしました</source>
        <translation>%1 duplicate minutes shown once</translation>
    </message>
    <message>
        <source>同じ分の行が二つ以上あり、時刻順で最初の行だけを残しました。</source>
        <translation>Some minutes had more than one line; only the first in time order was kept.</translation>
    </message>
</context>
<context>
    <name>SummaryModel</name>
    <message>
        <source>期間</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>記録 (分)</source>
        <translation>Logged (min)</translation>
    </message>
    <message>
        <source>カバー率 (%)</source>
        <translation>Coverage (%)</translation>
    </message>
    <message>
        <source>平均 CPM</source>
        <translation>Mean CPM</translation>
    </message>
    <message>
        <source>最小 CPM</source>
        <translation>Min CPM</translation>
    </message>
    <message>
        <source>最大 CPM</source>
        <translation>Max CPM</translation>
    </message>
    <message>
        <source>最大の分</source>
        <translation>Highest minute</translation>
    </message>
    <message>
        <source>平均線量率 (µSv/h)</source>
        <translation>Mean dose rate (µSv/h)</translation>
    </message>
    <message>
        <source>積算線量 (µSv)</source>
        <translation>Dose (µSv)</translation>
    </message>
</context>
<context>
    <name>SummaryWindow</name>
    <message>
        <source>記録はありません</source>
        <translation>Nothing logged</translation>
    </message>
    <message>
        <source>合計: 積算線量 %1 µSv、カバー率 %2 % (%3 分)</source>
        <translation>Total: dose %1 µSv, coverage %2 % (%3 minutes)</translation>
    </message>
    <message>
        <source>、時刻のないサンプル %1 件を除く</source>
        <translation>, not counting %1 samples without a time</translation>
    </message>
    <message>
        <source>集計</source>
        <translation>Summaries</translation>
    </message>
    <message>
        <source>時間</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>日</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>月</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>平均線量率</source>
        <translation>Mean dose rate</translation>
    </message>
    <message>
        <source>最大の分</source>
        <translation>Highest minute</translation>
    </message>
</context>
<context>
    <name>TOKRightDlg</name>
    <message>
        <source>グラフ係数: CPM あたりの µSv/h (有限の数)</source>
        <translation>Chart coefficient: µSv/h per CPM (a finite number)</translation>
    </message>
    <message>
        <source>数を入力してください</source>
        <translation>Enter a number</translation>
    </message>
    <message>
        <source>バックグラウンド: CPM (整数)</source>
        <translation>Background: CPM (a whole number)</translation>
    </message>
    <message>
        <source>整数を入力してください</source>
        <translation>Enter a whole number</translation>
    </message>
    <message>
        <source>本体係数: 0〜0.65535 (0.00001 刻み)</source>
        <translation>Counter coefficient: 0 to 0.65535 (in steps of 0.00001)</translation>
    </message>
    <message>
        <source>0〜0.65535 の数を入力してください</source>
        <translation>Enter a number from 0 to 0.65535</translation>
    </message>
    <message>
        <source>本体のバックグラウンド: 0〜65535 の整数</source>
        <translation>Counter&apos;s background: a whole number from 0 to 65535</translation>
    </message>
    <message>
        <source>0〜65535 の整数を入力してください</source>
        <translation>Enter a whole number from 0 to 65535</translation>
    </message>
    <message>
        <source>各種設定</source>
        <translation>General Settings</translation>
    </message>
    <message>
        <source>確定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>グラフ係数</source>
        <translation>Chart coef.</translation>
    </message>
    <message>
        <source>バックグラウンド</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>本体係数</source>
        <translation>Counter coef.</translation>
    </message>
    <message>
        <source>本体の値が読み直されました</source>
        <translation>The counter&apos;s values were read again</translation>
    </message>
</context>
</TS>
