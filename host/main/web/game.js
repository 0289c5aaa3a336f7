// The game's side, played by tav-core's peers: the gameflow phase, champion
// select, the summoner's level and owned pages, disabled perks, the
// platform configuration switches and the game customization service's
// failures; and what the game received (pushes) and what the plugin
// reported (telemetry).
//
//   initGame();   // once; reads the peers' resources and keeps the lists fresh

import * as api from './api.js';
import {debounce} from './debounce.js';
import {byId, clockTime, fill, h, say} from './dom.js';
import * as store from './store.js';

const GAMEFLOW = '/tav-gameflow/v1/session';
const CHAMP_SELECT = '/tav-champ-select/v1/session';
const SUMMONER = '/tav-summoner/v1/current-summoner';
const PLATFORM = '/tav-platform-config/v1/namespaces/Perks';
const CHAMPIONS = '/tav-game-data/assets/v1/championperkstylemap.json';
const LOGIN_DATA = '/tav-login/v1/login-data-packet';
const CUSTOMIZATION = `${api.CORE}/game-customization`;
const LIMIT_FLAGS = ['CanSelectPages', 'CanSelectKeystones', 'CanSelectPrimaries', 'CanSelectSplash',
                     'CanUseAdvancedStyles'];
// The local player sits in this cell of the champion select drawn here.
const LOCAL_CELL = 1;

let summonerId = 0;
let shard = '';

export function initGame() {
  onSubmit('gameflow-form', setGameflow);
  onSubmit('champ-select-form', setChampSelect);
  onSubmit('summoner-form', setSummoner);
  onSubmit('disabled-form', setDisabledPerks);
  onSubmit('platform-form', setPlatform);
  onSubmit('customization-form', setCustomization);
  byId('game-refresh').addEventListener('click', loadGame);
  store.on('catalogue', drawDisabledChoices);
  store.on('disabled', drawDisabledChoices);
  store.on('reloaded', loadGame);
  const activityChanged = debounce(loadActivity, 50);
  const limitsChanged = debounce(loadLimits, 50);
  store.on('event', (event) => {
    const uri = event.data && event.data.uri;
    // A current page set in champion select is pushed first: its event
    // means the pushes (and maybe telemetry) changed.
    if (uri === `${api.PERKS}/currentpage`) activityChanged();
    if (uri === `${api.PERKS}/customizationlimits` || uri === `${api.PERKS}/inventory`) limitsChanged();
  });
}

function onSubmit(formId, handler) {
  const form = byId(formId);
  form.addEventListener('submit', async (event) => {
    event.preventDefault();
    const output = form.querySelector('output');
    say(output, 'Sending…');
    const answers = [].concat(await handler(form.elements));
    const failed = answers.find((answer) => !answer.ok);
    say(output, failed ? failed.error : 'Done', Boolean(failed));
    loadGame();
  });
}

// Reads every peer resource the controls show.
export async function loadGame() {
  const [gameflow, champSelect, summoner, platform, champions, login] = await Promise.all(
    [GAMEFLOW, CHAMP_SELECT, SUMMONER, PLATFORM, CHAMPIONS, LOGIN_DATA].map(api.get));
  if (champions.ok && Array.isArray(champions.json)) drawChampions(champions.json);
  if (gameflow.ok) {
    byId('gameflow-phase').value = gameflow.json.phase;
    const queue = gameflow.json.gameData && gameflow.json.gameData.queue;
    if (queue && queue.id > 0) byId('gameflow-queue').value = queue.id;
    byId('gameflow-now').textContent = gameflow.json.phase;
  }
  drawChampSelectNow(champSelect);
  if (summoner.ok) {
    summonerId = summoner.json.summonerId;
    byId('summoner-level').value = summoner.json.summonerLevel;
  }
  if (platform.ok) {
    byId('platform-perks-enabled').checked = platform.json.PerksEnabled !== false;
    byId('platform-auto-repair').checked = platform.json.AutoRepairPagesEnabled !== false;
  }
  if (login.ok && login.json.platformId) shard = String(login.json.platformId).toLowerCase();
  await Promise.all([loadLimits(), loadActivity()]);
}

function drawChampions(champions) {
  const select = byId('champ-select-champion');
  const chosen = select.value;
  fill(select, [...champions].sort((a, b) => a.championName.localeCompare(b.championName))
    .map((champion) => h('option', {value: champion.championId}, champion.championName)));
  if (chosen) select.value = chosen;
}

function drawChampSelectNow(answer) {
  if (!answer.ok) {
    byId('champ-select-now').textContent = 'no champion select';
    return;
  }
  const session = answer.json;
  const mine = (session.myTeam || []).find((cell) => cell.cellId === session.localPlayerCellId);
  const option = mine && byId('champ-select-champion').querySelector(`option[value="${mine.championId}"]`);
  const phase = session.timer && session.timer.phase;
  byId('champ-select-now').textContent =
    `${option ? option.textContent : mine ? `champion ${mine.championId}` : 'no champion'}, ${phase || 'no timer'}`;
}

async function loadLimits() {
  const [limits, inventory] = await Promise.all([`${api.PERKS}/customizationlimits`, `${api.PERKS}/inventory`]
    .map(api.get));
  if (inventory.ok) {
    byId('summoner-pages').value = inventory.json.ownedPageCount;
    byId('inventory-now').textContent = `${inventory.json.ownedPageCount} owned pages`;
  }
  if (limits.ok) byId('limits-now').textContent = limitNames(limits.json);
}

// "CanSelectPages, CanSelectKeystones" for 3; the plugin gives a name for
// a single flag and a number for a combination.
function limitNames(value) {
  if (typeof value === 'string') return value;
  const names = LIMIT_FLAGS.filter((name, bit) => value & (1 << bit));
  return names.length ? names.join(', ') : 'Locked';
}

function setGameflow(fields) {
  const phase = fields['gameflow-phase'].value;
  return api.put(GAMEFLOW, {
    phase,
    gameData: {queue: {id: Number(fields['gameflow-queue'].value)}, isCustomGame: fields['gameflow-custom'].checked,
               gameId: 5550001},
  });
}

function setChampSelect(fields) {
  return api.put(CHAMP_SELECT, {
    localPlayerCellId: LOCAL_CELL,
    myTeam: [{cellId: LOCAL_CELL, championId: Number(fields['champ-select-champion'].value)}],
    timer: {phase: fields['champ-select-timer'].value},
  });
}

// The level on the current summoner; the owned pages as the collections
// rune book's list of pages, which is what the plugin counts.
async function setSummoner(fields) {
  const level = api.patch(SUMMONER, {summonerLevel: Number(fields['summoner-level'].value)});
  const count = Math.max(0, Number(fields['summoner-pages'].value));
  const pages = Array.from({length: count}, (_, i) => ({id: i + 1, name: `Page ${i + 1}`, current: i === 0, runes: []}));
  const book = api.put(`/tav-collections/v1/inventories/${summonerId}/rune-book`, {summonerId, pages});
  return Promise.all([level, book]);
}

// A message of the messaging service, as the game's servers send it.
function setDisabledPerks(fields) {
  const ids = [...fields].filter((field) => field.name === 'disabled-perk' && field.checked)
    .map((field) => Number(field.value));
  const resource = `perks/v1/disabled/${shard}`;
  return api.put(`/vexa-messaging-service/v1/message/${resource}`,
                 {resource, service: 'perks', version: '1', timestamp: Date.now(), payload: JSON.stringify(ids)});
}

function setPlatform(fields) {
  return api.put(PLATFORM, {PerksEnabled: fields['platform-perks-enabled'].checked,
                            AutoRepairPagesEnabled: fields['platform-auto-repair'].checked});
}

function setCustomization(fields) {
  const settings = {failures: Number(fields['customization-failures'].value),
                    failureKind: fields['customization-kind'].value};
  if (fields['customization-text'].value) settings.failureText = fields['customization-text'].value;
  return api.put(CUSTOMIZATION, settings);
}

// A checkbox per perk, by style; checked when the plugin holds it disabled.
function drawDisabledChoices() {
  const catalogue = store.get('catalogue');
  if (!catalogue) return;
  const disabled = store.get('disabled') || [];
  fill(byId('disabled-choices'), catalogue.styles.map((style) => h('fieldset', {class: 'perk-group'},
    h('legend', {}, style.name),
    [...new Set((style.slots || []).flatMap((slot) => slot.perks || []))].map((id) => h('label', {},
      h('input', {type: 'checkbox', name: 'disabled-perk', value: id, checked: disabled.includes(id)}),
      catalogue.perkName(id))))));
  byId('disabled-now').textContent = disabled.length
    ? disabled.map((id) => catalogue.perkName(id)).join(', ') : 'none';
}

// The pushes the game received and the plugin's telemetry, newest first.
export async function loadActivity() {
  const [customization, telemetry] = await Promise.all([CUSTOMIZATION, `${api.CORE}/telemetry`].map(api.get));
  if (customization.ok) {
    const state = customization.json;
    byId('customization-failures').value = state.failures;
    byId('customization-kind').value = state.failureKind;
    byId('customization-text').placeholder = state.failureText;
    drawPushes(state.pushes || []);
  }
  if (telemetry.ok) drawTelemetry(telemetry.json || []);
}

function drawPushes(pushes) {
  const catalogue = store.get('catalogue');
  fill(byId('pushes'), [...pushes].reverse().map((push) => {
    const content = push.content && push.content.content;
    const perks = content && Array.isArray(content.perkIds)
      ? content.perkIds.map((id) => (catalogue ? catalogue.perkName(id) : id)).join(', ')
      : JSON.stringify(push.content);
    return h('tr', {class: push.accepted ? 'accepted' : 'refused'},
      h('td', {}, push.number),
      h('td', {}, h('time', {datetime: push.time}, clockTime(push.time))),
      h('td', {}, push.accepted ? 'accepted' : `refused: ${push.failure}`),
      h('td', {}, perks));
  }));
}

function drawTelemetry(lines) {
  fill(byId('telemetry'), [...lines].reverse().map((line) => h('tr', {},
    h('td', {}, h('time', {datetime: line.time}, clockTime(line.time))),
    h('td', {}, line.table),
    h('td', {}, h('code', {}, JSON.stringify(line.event))))));
}
