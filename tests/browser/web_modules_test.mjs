// The workbench's modules that compute rather than draw, under node's test
// runner: MessagePack bodies byte for byte, curl commands through a real
// shell, diffs, the reasons a page is invalid, and event frames.
//   node --test web_modules_test.mjs
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {readFileSync} from 'node:fs';
import {test} from 'node:test';

// The page's modules are browser modules: loaded from their text, which
// needs no package.json to be read as ES modules.
const web = new URL('../../host/main/web/', import.meta.url);
const load = (name) => import(`data:text/javascript;base64,${readFileSync(new URL(name, web)).toString('base64')}`);
const {encode} = await load('msgpack.js');
const {curlCommand} = await load('curl_command.js');
const {diff, describe} = await load('json_diff.js');
const {problems} = await load('page_check.js');
const {Catalogue} = await load('catalogue.js');
const {parseFrame} = await load('event_stream.js');

const hex = (bytes) => Buffer.from(bytes).toString('hex');

test('MessagePack takes the smallest form at every boundary', () => {
  const cases = [
    [0, '00'], [127, '7f'], [128, 'cc80'], [255, 'ccff'], [256, 'cd0100'], [65535, 'cdffff'],
    [65536, 'ce00010000'], [4294967295, 'ceffffffff'], [4294967296, 'cf0000000100000000'],
    [-1, 'ff'], [-32, 'e0'], [-33, 'd0df'], [-128, 'd080'], [-129, 'd1ff7f'], [-32768, 'd18000'],
    [-32769, 'd2ffff7fff'], [-2147483648, 'd280000000'], [-2147483649, 'd3ffffffff7fffffff'],
    [1.5, 'cb3ff8000000000000'], [null, 'c0'], [true, 'c3'], [false, 'c2'],
    ['é', 'a2c3a9'], ['a'.repeat(31), `bf${'61'.repeat(31)}`], ['a'.repeat(32), `d920${'61'.repeat(32)}`],
    ['a'.repeat(256), `da0100${'61'.repeat(256)}`], [[], '90'], [{}, '80'],
    [Array(16).fill(1), `dc0010${'01'.repeat(16)}`],
  ];
  for (const [value, expected] of cases) assert.equal(hex(encode(value)), expected, JSON.stringify(value));
  // The page body tav-core's own tests send as MessagePack.
  const page = {name: 'Tide', primaryStyleId: 710, subStyleId: 720,
                selectedPerkIds: [7101, 7104, 7107, 7110, 7204, 7208]};
  assert.equal(hex(encode(page)), Buffer.from('\x84\xa4name\xa4Tide\xaeprimaryStyleId\xcd\x02\xc6\xaasubStyleId' +
    '\xcd\x02\xd0\xafselectedPerkIds\x96\xcd\x1b\xbd\xcd\x1b\xc0\xcd\x1b\xc3\xcd\x1b\xc6\xcd\x1c$\xcd\x1c(',
  'latin1').toString('hex'));
});

test('a curl command hands its body to curl unchanged through a shell', () => {
  // A curl that prints the body it would send.
  const fakeCurl = 'curl() { while [ $# -gt 0 ]; do if [ "$1" = --data-binary ]; then ' +
                   'if [ "$2" = @- ]; then cat; else printf %s "$2"; fi; fi; shift; done; }; ';
  const bodies = ['{"name":"it\'s"}', 'name: "a b"\nlist:\n  - 1\n', '@file', "'''", new Uint8Array([0, 39, 92, 255])];
  for (const body of bodies) {
    const command = curlCommand({method: 'POST', url: 'http://127.0.0.1:1/x', contentType: 'text/plain', body});
    const sent = execFileSync('sh', ['-c', fakeCurl + command]);
    assert.equal(hex(sent), hex(typeof body === 'string' ? Buffer.from(body) : body), command);
  }
  assert.equal(curlCommand({method: 'GET', url: "http://h/a'b"}), "curl -sS 'http://h/a'\\''b'");
});

test('a diff names each change by its path, lists of pages by id', () => {
  const cases = [
    [{a: 1, b: {c: 2}}, {a: 1, b: {c: 3}, d: null}, ['~ b.c: 2 → 3', '+ d: null']],
    [[1, 2, 3], [1, 3], ['~ [1]: 2 → 3', '- [2]: 3']],
    [[{id: 7, order: 0}, {id: 9, order: 1}], [{id: 9, order: 0}, {id: 7, order: 1}],
     ['~ [id=7].order: 0 → 1', '~ [id=9].order: 1 → 0']],
    [[{id: 7}], [], ['- [0]: {"id":7}']],
    [{a: [1]}, {a: 'x'}, ['~ a: [1] → "x"']],
    [{a: 1}, {a: 1}, []],
  ];
  for (const [before, after, expected] of cases) assert.deepEqual(diff(before, after).map(describe), expected);
});

test('the reasons a page is invalid follow the rules of the plugin', () => {
  const slot = (type, label, perks) => ({type, slotLabel: label, perks});
  const mixed = 'kMixedRegularSplashable';
  // Ash has three primary slots only; a "kSplashable" slot serves a sub-style alone.
  const catalogue = new Catalogue([
    {id: 1, name: 'Ash', slots: [slot('kKeyStone', 'Key', [11, 12]), slot(mixed, 'A1', [13, 14]),
                                 slot(mixed, 'A2', [15]), slot('kSplashable', 'A3', [16, 17])]},
    {id: 2, name: 'Brine', slots: [slot('kKeyStone', 'Key', [21]), slot(mixed, 'B1', [22]), slot(mixed, 'B2', [23]),
                                   slot(mixed, 'B3', [24]), slot('kSplashable', 'B4', [25])]},
  ], [11, 12, 13, 14, 15, 16, 17, 21, 22, 23, 24, 25].map((id) => ({id, name: `P${id}`})));
  const page = (selectedPerkIds, primaryStyleId = 2, subStyleId = 1) => ({primaryStyleId, subStyleId, selectedPerkIds});
  const cases = [
    [page([21, 22, 23, 24, 13, 16]), []],
    [page([21, 22, 0, 23, 24, 13, 16]), []],
    [page([21, 22, 23, 24, 13]), ['5 perks chosen; a page needs 6', "1 of the sub-style's 2 slots filled"]],
    [page([21, 22, 23, 24, 13, 14]), ["Two perks in the sub-style's slot A1", "1 of the sub-style's 2 slots filled"]],
    [page([21, 22, 23, 25, 13, 16]), ['P25 is in no slot of Brine or Ash', "3 of the primary style's 4 slots filled"]],
    [page([11, 13, 15, 16, 22, 23], 1, 2), ['P16 is in no slot of Ash or Brine',
                                             "3 of the primary style's 4 slots filled"]],
    [page([21, 22, 23, 24, 13, 16], 2, 2), ['The primary style and the sub-style are the same',
                                             'P13 is in no slot of Brine or Brine', 'P16 is in no slot of Brine or Brine',
                                             "0 of the sub-style's 2 slots filled"]],
    [page([21, 22, 23, 24, 13, 98]), ['Perk 98 is not in the game data', "1 of the sub-style's 2 slots filled"]],
    [page([21, 22, 23, 24, 13, 16], 2, -1), ['No sub-style chosen']],
  ];
  for (const [given, expected] of cases) assert.deepEqual(problems(given, catalogue), expected, JSON.stringify(given));
  assert.deepEqual(problems(page([21, 22, 23, 24, 13, 16]), catalogue, [16]), ['P16 is disabled']);
});

test('an event frame gives its id, name and JSON data', () => {
  assert.deepEqual(parseFrame('id: 7\nevent: lagged\ndata: {"lastSeenId":3,\ndata: "oldestKeptId":5}'),
                   {id: '7', name: 'lagged', data: {lastSeenId: 3, oldestKeptId: 5}});
  assert.deepEqual(parseFrame(': keep-alive'), null);
  assert.deepEqual(parseFrame('data:plain'), {id: '', name: 'message', data: 'plain'});
});
