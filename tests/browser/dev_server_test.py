"""A page of another origin calling tav-core in a real browser, as the perks
screens do while a developer builds them in a UI dev server: a second local
port serves a page that lists the pages and creates one. Refused without
--allow-origin, even a write the browser sends without asking first;
answered with --allow-origin for that origin.

    dev_server_test.py TAV_CORE DATA_DIR ARTIFACTS_DIR
"""

import http.server
import json
import sys
import tempfile
import threading
import unittest
import urllib.request

from browser_session import HeadlessChromium, TavCore

CORE_PATH = DATA_DIR = ARTIFACTS = None

# tav-core's address comes in the query: ?core=URL.
PAGE = b'''<!doctype html><title>Perks screens</title><button>Try tav-core</button> <output></output>
<script type="module">
const core = new URLSearchParams(location.search).get('core') + '/tav-perks/v1/pages';
const page = {name: 'Squall', primaryStyleId: 710, subStyleId: 720, selectedPerkIds: [7101, 7104, 7107, 7110, 7204, 7208]};
const answer = (call) => call.then(async (answer) => {
  const value = await answer.json();
  return `${answer.status} ${value.length ?? value.name}`;
}, (error) => `blocked: ${error.name}`);
document.querySelector('button').onclick = async () => {
  const listed = await answer(fetch(core));
  const created = await answer(fetch(core, {method: 'POST', headers: {'Content-Type': 'application/json'},
                                            body: JSON.stringify(page)}));
  document.querySelector('output').textContent = `${listed}; ${created}`;
};
</script>'''


class PageServer(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header('Content-Type', 'text/html; charset=utf-8')
        self.end_headers()
        self.wfile.write(PAGE)

    def log_message(self, *arguments):
        pass


def read(core, path):
    with urllib.request.urlopen(core.url + path, timeout=30) as answer:
        return json.load(answer)


class CallsFromAnotherOrigin(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), PageServer)
        cls.origin = f'http://127.0.0.1:{cls.server.server_address[1]}'
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.browser = HeadlessChromium(ARTIFACTS).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.browser.__exit__(None, None, None)
        cls.server.shutdown()

    def try_core(self, allow, screenshot):
        """What the page shows, and the pages' names after it tried."""
        with tempfile.TemporaryDirectory() as folder, TavCore(CORE_PATH, DATA_DIR, folder, allow) as core:
            browser = self.browser
            browser.open(f'{self.origin}/?core=http://127.0.0.1:{core.port}')
            browser.click('Try tav-core')
            shown = browser.wait_for(lambda: browser.find('output').text, 'the answers')
            browser.screenshot(screenshot)
            # A form's body type needs no preflight: the browser sends such a
            # write as it is, and only tav-core can refuse it.
            self.assertEqual(browser.script(
                '''return fetch(arguments[0], {method: 'POST', mode: 'no-cors', body: '{"phase":"Lobby"}',
                                               headers: {'Content-Type': 'application/x-www-form-urlencoded'}})
                       .then(() => 'sent');''', core.url + 'tav-gameflow/v1/session'), 'sent')
            return shown, [page['name'] for page in read(core, 'tav-perks/v1/pages')], read(core, 'tav-gameflow/v1/session')

    def test_a_page_of_an_origin_not_allowed_is_refused(self):
        shown, names, session = self.try_core([], 'origin-refused')
        self.assertEqual(shown, 'blocked: TypeError; blocked: TypeError')
        self.assertEqual((len(names), 'Squall' in names, session.get('phase')), (5, False, 'None'))

    def test_a_page_of_an_allowed_origin_lists_and_creates_pages(self):
        shown, names, session = self.try_core(['--allow-origin', self.origin], 'origin-allowed')
        self.assertEqual(shown, '200 5; 200 Squall')
        self.assertEqual((len(names), 'Squall' in names, session.get('phase')), (6, True, 'Lobby'))


if __name__ == '__main__':
    CORE_PATH, DATA_DIR, ARTIFACTS = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
