"""A page of another origin calling tav-core from a real browser, as the
perks screens would while a developer builds them in a dev server of their
own: a second local port serves the page, which lists the pages and
creates one. Refused without --allow-origin, even a write the browser sends
without asking first; answered with --allow-origin for that origin.

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

# The dev server's page. tav-core's address comes in the query: ?core=URL.
PAGE = b'''<!doctype html>
<title>Perks screens in development</title>
<button id="load">Load pages</button> <output id="listed"></output>
<button id="create">Create page</button> <output id="created"></output>
<script type="module">
const core = new URLSearchParams(location.search).get('core');
async function call(method, body) {
  try {
    const answer = await fetch(`${core}/tav-perks/v1/pages`, {
      method, body: body && JSON.stringify(body), headers: body ? {'Content-Type': 'application/json'} : {}});
    const value = await answer.json();
    return `${answer.status} ${Array.isArray(value) ? `${value.length} pages` : value.name}`;
  } catch (error) {
    return `blocked: ${error.name}`;
  }
}
const show = (id) => async (text) => { document.getElementById(id).textContent = await text; };
document.getElementById('load').onclick = () => show('listed')(call('GET'));
document.getElementById('create').onclick = () => show('created')(call('POST', {
  name: 'Squall', primaryStyleId: 710, subStyleId: 720, selectedPerkIds: [7101, 7104, 7107, 7110, 7204, 7208]}));
</script>
'''


class DevServer(http.server.ThreadingHTTPServer):
    """Serves PAGE on a free port of 127.0.0.1 from a thread of its own."""

    def __init__(self):
        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200)
                self.send_header('Content-Type', 'text/html; charset=utf-8')
                self.end_headers()
                self.wfile.write(PAGE)

            def log_message(self, *arguments):
                pass

        super().__init__(('127.0.0.1', 0), Handler)
        self.origin = f'http://127.0.0.1:{self.server_address[1]}'
        threading.Thread(target=self.serve_forever, daemon=True).start()


def page_names(core):
    with urllib.request.urlopen(core.url + 'tav-perks/v1/pages', timeout=30) as answer:
        return [page['name'] for page in json.load(answer)]


class CallsFromAnotherOrigin(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.server = DevServer()
        cls.browser = HeadlessChromium(ARTIFACTS).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.browser.__exit__(None, None, None)
        cls.server.shutdown()

    def use_the_page(self, core, name):
        """What the page shows after Load pages and Create page."""
        browser = self.browser
        browser.open(f'{self.server.origin}/?core=http://127.0.0.1:{core.port}')
        shown = []
        for button, output in (('Load pages', '#listed'), ('Create page', '#created')):
            browser.click(button)
            shown.append(browser.wait_for(lambda: browser.find(output).text, f'the answer to {button}'))
        browser.screenshot(name)
        return shown

    def test_a_page_of_an_origin_not_allowed_is_refused(self):
        with tempfile.TemporaryDirectory() as folder, TavCore(CORE_PATH, DATA_DIR, folder) as core:
            before = page_names(core)
            self.assertEqual(self.use_the_page(core, 'origin-refused'), ['blocked: TypeError'] * 2)
            # A form's type needs no preflight: the browser sends such a write
            # as it is, and only tav-core can refuse it.
            status = self.browser.script('''
                return fetch(arguments[0], {method: 'POST', mode: 'no-cors', body: '{"phase": "ChampSelect"}',
                                            headers: {'Content-Type': 'application/x-www-form-urlencoded'}})
                    .then(() => 'sent', (error) => error.name);''', core.url + 'tav-gameflow/v1/session')
            self.assertEqual(status, 'sent')
            self.assertEqual(page_names(core), before)
            with urllib.request.urlopen(core.url + 'tav-gameflow/v1/session', timeout=30) as answer:
                self.assertNotIn('ChampSelect', answer.read().decode())

    def test_a_page_of_an_allowed_origin_lists_and_creates_pages(self):
        with tempfile.TemporaryDirectory() as folder, \
                TavCore(CORE_PATH, DATA_DIR, folder, ['--allow-origin', self.server.origin]) as core:
            count = len(page_names(core))
            self.assertEqual(self.use_the_page(core, 'origin-allowed'), [f'200 {count} pages', '200 Squall'])
            self.assertIn('Squall', page_names(core))


if __name__ == '__main__':
    CORE_PATH, DATA_DIR, ARTIFACTS = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
