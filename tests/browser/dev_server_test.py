"""A page of another origin calling tav-core in a real browser, as the perks
screens do while a developer builds them in a UI dev server: a page served
from a second local port lists the pages and creates one. Refused without
--allow-origin, even a write the browser sends without asking first;
answered with --allow-origin for that origin.

    dev_server_test.py TAV_CORE DATA_DIR ARTIFACTS_DIR
"""

import functools
import http.server
import json
import sys
import tempfile
import threading
import unittest
import urllib.request

from browser_session import HeadlessChromium, TavCore

CORE_PATH = DATA_DIR = ARTIFACTS = None

# A fetch from the page: "STATUS NAME" or "STATUS COUNT" when the browser
# lets the page read the answer, "sent" when it may only send the request.
FETCH = '''return fetch(arguments[0], arguments[1]).then(async (answer) => {
  if (answer.type === 'opaque') return 'sent';
  const value = await answer.json();
  return `${answer.status} ${value.length ?? value.name}`;
}, (error) => `blocked: ${error.name}`);'''
PAGE = {'name': 'Squall', 'primaryStyleId': 710, 'subStyleId': 720,
        'selectedPerkIds': [7101, 7104, 7107, 7110, 7204, 7208]}


class CallsFromAnotherOrigin(unittest.TestCase):

    def test_only_a_page_of_an_allowed_origin_is_answered(self):
        with tempfile.TemporaryDirectory() as folder, HeadlessChromium(ARTIFACTS) as browser:
            files = functools.partial(http.server.SimpleHTTPRequestHandler, directory=folder)
            server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), files)
            origin = f'http://127.0.0.1:{server.server_address[1]}'
            threading.Thread(target=server.serve_forever, daemon=True).start()
            browser.open(origin)
            core = TavCore(CORE_PATH, DATA_DIR, folder)
            # A form's body type needs no preflight: the browser sends such a
            # write as it is, and only tav-core can refuse it.
            for allow, answers, pages, phase in (
                    ([], ['blocked: TypeError', 'blocked: TypeError', 'sent'], 5, 'None'),
                    (['--allow-origin', origin], ['200 5', '200 Squall', 'sent'], 6, 'Lobby')):
                core.extra = allow
                with core:
                    got = [browser.script(FETCH, core.url + 'tav-perks/v1/pages', {}),
                           browser.script(FETCH, core.url + 'tav-perks/v1/pages', {
                               'method': 'POST', 'body': json.dumps(PAGE),
                               'headers': {'Content-Type': 'application/json'}}),
                           browser.script(FETCH, core.url + 'tav-gameflow/v1/session', {
                               'method': 'POST', 'mode': 'no-cors', 'body': '{"phase":"Lobby"}',
                               'headers': {'Content-Type': 'application/x-www-form-urlencoded'}})]
                    read = [json.load(urllib.request.urlopen(core.url + path, timeout=30))
                            for path in ('tav-perks/v1/pages', 'tav-gameflow/v1/session')]
                self.assertEqual((got, len(read[0]), read[1]['phase']), (answers, pages, phase), allow)
            server.shutdown()


if __name__ == '__main__':
    CORE_PATH, DATA_DIR, ARTIFACTS = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
