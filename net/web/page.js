// The station's page: the last minute, a chart of the last hours or days, and the last 30 days,
// all from the station's own API, brought up to date each minute without a reload.
"use strict";
(function () {
  const TEXTS = {
    ja: {
      time: "時刻", counter: "カウンター", alarm: "警報", minutesToday: "本日の記録",
      doseToday: "本日の線量", connected: "接続中", waiting: "再接続待ち",
      "not found": "見つかりません", stopped: "停止中", alarmOn: "発報中", alarmOff: "正常",
      alarmNone: "設定なし", minutesUnit: " 分", "6h": "6時間", "24h": "24時間", "7d": "7日",
      "30d": "30日", days: "過去30日", date: "日付", minutes: "記録分数", mean: "平均 CPM",
      highest: "最高 CPM", dose: "線量 (µSv)", noMinute: "まだ記録がありません",
      offline: "測定局から応答がありません", empty: "この期間の記録はありません",
      thinned: "%1分を%2点で表示 (各区間の最低と最高)", updated: "更新 ",
      map: "公開マップ ", mapState: "送信済み %1 · 待機 %2", mapStopped: "停止 (拒否されました)",
    },
    en: {
      time: "Time", counter: "Counter", alarm: "Alarm", minutesToday: "Minutes today",
      doseToday: "Dose today", connected: "connected", waiting: "waiting for a replug",
      "not found": "not found", stopped: "stopped", alarmOn: "on", alarmOff: "off",
      alarmNone: "not set", minutesUnit: " min", "6h": "6 h", "24h": "24 h", "7d": "7 d",
      "30d": "30 d", days: "The last 30 days", date: "Date", minutes: "Minutes",
      mean: "Mean CPM", highest: "Highest CPM", dose: "Dose (µSv)",
      noMinute: "No minute logged yet", offline: "The station does not answer",
      empty: "No minute logged in this span",
      thinned: "%1 minutes drawn as %2 points (each slice's lowest and highest)",
      updated: "Updated ",
      map: "Map ", mapState: "sent %1 · waiting %2", mapStopped: "stopped (refused)",
    },
  };
  const T = TEXTS[document.documentElement.lang] || TEXTS.en;
  const MAP_NAMES = { radmon: "radmon", gmcmap: "GMC", safecast: "Safecast" };
  const $ = (id) => document.getElementById(id);
  const CHART_HEIGHT = 320;
  const NOW_EVERY_MS = 15000;
  const CHART_EVERY_MS = 5 * 60000; // also when no new minute comes, so the span moves on

  let span = "24h";
  let plot = null;
  let range = [0, 1];
  let lastTime;
  let lastChart = 0;

  for (const node of document.querySelectorAll("[data-text]")) {
    node.textContent = T[node.dataset.text];
  }
  for (const button of document.querySelectorAll("[data-span]")) {
    button.textContent = T[button.dataset.span];
    button.addEventListener("click", () => {
      span = button.dataset.span;
      for (const b of document.querySelectorAll("[data-span]")) {
        b.setAttribute("aria-pressed", String(b === button));
      }
      loadChart().catch(offline);
    });
  }

  async function getJson(path) {
    const reply = await fetch(path, { cache: "no-store" });
    if (!reply.ok) {
      throw new Error(path + ": " + reply.status);
    }
    return reply.json();
  }

  // "2026-12-08T14:30:00+09:00" as the station's wall clock: "2026-12-08 14:30".
  const minuteText = (iso) => iso.slice(0, 16).replace("T", " ");
  // Chart times are seconds of the station's wall clock, shown as such wherever the browser is.
  const wallText = (seconds) => new Date(seconds * 1000).toISOString().slice(0, 16).replace("T", " ");
  const dayShift = (date, days) =>
    new Date(Date.parse(date + "T00:00:00Z") + days * 86400000).toISOString().slice(0, 10);

  function showNow(now) {
    $("now-cpm").textContent = now.cpm === null ? "–" : String(now.cpm);
    $("now-usvh").textContent = now.usv_h === null ? "–" : String(now.usv_h);
    $("now-time").textContent = now.time === null ? T.noMinute : minuteText(now.time);
    $("now-counter").textContent = T[now.counter] || now.counter;
    $("now-counter").dataset.state = now.counter;
    $("now-alarm").textContent =
      now.alarm === null ? T.alarmNone : now.alarm ? T.alarmOn : T.alarmOff;
    document.body.classList.toggle("alarm", now.alarm === true);
    $("now-minutes").textContent = now.minutes_today + T.minutesUnit;
    $("now-dose").textContent =
      now.usv_today === null ? "–" : Number(now.usv_today).toFixed(4) + " µSv";
    showMaps(now.uploads || {});
  }

  // A card for each public map the station uploads to: what it sent, what waits, or that the
  // map refused and the station stopped sending to it.
  function showMaps(uploads) {
    for (const [name, map] of Object.entries(uploads)) {
      let card = $("map-" + name);
      if (!card) {
        card = document.createElement("div");
        card.className = "card";
        card.id = "map-" + name;
        card.innerHTML = '<div class="label"></div><div class="value"></div>';
        card.firstChild.textContent = T.map + (MAP_NAMES[name] || name);
        document.querySelector(".now").appendChild(card);
      }
      const value = card.lastChild;
      value.textContent = map.stopped ? T.mapStopped
        : T.mapState.replace("%1", map.sent).replace("%2", map.waiting);
      value.classList.toggle("refused", map.stopped);
    }
  }

  function chartOptions(width) {
    const value = (digits) => (u, v) => (v === null || v === undefined ? "–" : v.toFixed(digits));
    return {
      width: width,
      height: CHART_HEIGHT,
      tzDate: (seconds) => uPlot.tzDate(new Date(seconds * 1000), "Etc/UTC"),
      scales: { x: { time: true, range: () => range }, cpm: {}, dose: {} },
      series: [
        { label: T.time, value: (u, v) => (v === null || v === undefined ? "–" : wallText(v)) },
        { label: "CPM", scale: "cpm", stroke: "#1f6fb2", width: 1.5, value: value(0) },
        { label: "µSv/h", scale: "dose", stroke: "#c0392b", width: 1, value: value(4) },
      ],
      axes: [
        // 24-hour times, and the date at midnight, whatever the browser's locale would say.
        { values: (u, ticks) => ticks.map((t) => {
            const text = wallText(t);
            return text.endsWith("00:00") ? text.slice(5, 10) : text.slice(11);
          }) },
        { scale: "cpm", label: "CPM", size: 56 },
        { scale: "dose", label: "µSv/h", side: 1, size: 64, grid: { show: false } },
      ],
    };
  }

  async function loadChart() {
    const box = $("chart");
    const width = Math.max(200, box.clientWidth);
    const data = await getJson("api/chart?span=" + span + "&width=" + Math.min(width, 3840));
    range = [data.from, data.to];
    const columns = [data.time, data.cpm, data.usv_h];
    if (plot) {
      plot.setData(columns);
    } else {
      plot = new uPlot(chartOptions(width), columns, box);
    }
    const points = data.cpm.filter((v) => v !== null).length;
    box.dataset.points = String(points);
    box.dataset.minutes = String(data.minutes);
    box.dataset.span = span;
    $("chart-note").textContent =
      data.minutes === 0 ? T.empty
      : points < data.minutes ? T.thinned.replace("%1", data.minutes).replace("%2", points)
      : "";
    lastChart = Date.now();
  }

  async function loadDays(date) {
    const rows = await getJson(
      "api/summary?by=day&from=" + dayShift(date, -29) + "&to=" + dayShift(date, 1));
    const body = document.querySelector("#days tbody");
    body.replaceChildren();
    for (const row of rows.reverse()) {
      const line = document.createElement("tr");
      for (const cell of [row.period, row.minutes, row.mean_cpm, row.highest_cpm, row.dose_usv]) {
        const td = document.createElement("td");
        td.textContent = cell === null ? "–" : String(cell);
        line.appendChild(td);
      }
      body.appendChild(line);
    }
  }

  function offline() {
    $("station").textContent = T.offline;
    $("station").classList.add("offline");
  }

  async function update() {
    try {
      const now = await getJson("api/now");
      showNow(now);
      const fresh = now.time !== lastTime;
      if (fresh || Date.now() - lastChart >= CHART_EVERY_MS) {
        lastTime = now.time;
        const today = now.time ? now.time.slice(0, 10) : new Date().toLocaleDateString("sv");
        await Promise.all([loadChart(), loadDays(today)]);
      }
      $("station").textContent = T.updated + new Date().toLocaleTimeString(document.documentElement.lang);
      $("station").classList.remove("offline");
      document.body.dataset.state = "ready";
    } catch (error) {
      offline();
    }
  }

  new ResizeObserver(() => {
    if (plot) {
      plot.setSize({ width: Math.max(200, $("chart").clientWidth), height: CHART_HEIGHT });
    }
  }).observe($("chart"));
  update();
  setInterval(update, NOW_EVERY_MS);
})();
