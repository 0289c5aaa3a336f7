"""The workbench in a real browser, against a tav-core started here: a page
made, edited, reordered and deleted through the page and found through the
API; a champion select driven to a push; tav-core killed and started again
under the open page; an API form answering what curl gets; the store reset.

    workbench_test.py TAV_CORE DATA_DIR ARTIFACTS_DIR
"""

import json
import os
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.request

from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select

from browser_session import HeadlessChromium, TavCore, wait_until

CORE_PATH = DATA_DIR = ARTIFACTS = None


def call(core, method, path, body=None):
    """(status, parsed JSON or None) of a request to tav-core."""
    data = None if body is None else json.dumps(body).encode()
    request = urllib.request.Request(core.url.rstrip('/') + path, data=data, method=method,
                                     headers={'Content-Type': 'application/json'})
    try:
        with urllib.request.urlopen(request, timeout=30) as response:
            text = response.read().decode()
            return response.status, json.loads(text) if text else None
    except urllib.error.HTTPError as error:
        return error.code, json.loads(error.read().decode() or 'null')


class Workbench(unittest.TestCase):
    """One browser and one tav-core for the whole story; the steps run in
    the order of their names, each leaving the book as the next expects."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix='tav-workbench-')
        cls.core = TavCore(CORE_PATH, DATA_DIR, cls.folder.name).start()
        cls.browser = HeadlessChromium(ARTIFACTS).__enter__()
        cls.browser.open(cls.core.url)
        _, styles = call(cls.core, 'GET', '/tav-perks/v1/styles')
        cls.styles = {style['name']: style for style in styles}
        _, perks = call(cls.core, 'GET', '/tav-perks/v1/perks')
        cls.perk_ids = {perk['name']: perk['id'] for perk in perks}

    @classmethod
    def tearDownClass(cls):
        cls.browser.__exit__(None, None, None)
        cls.core.stop()
        cls.folder.cleanup()

    # Helpers reading the page and the API.

    def card(self, name):
        """The card of the page named `name`, once it shows."""
        def find():
            for card in self.browser.find_all('#book-pages .card'):
                if self.browser.find('h3', card).text == name:
                    return card
            return None
        return self.browser.wait_for(find, f'the card of {name!r}')

    def card_names(self):
        return [self.browser.find('h3', card).text for card in self.browser.find_all('#book-pages .card')]

    def api_pages(self):
        status, pages = call(self.core, 'GET', '/tav-perks/v1/pages')
        self.assertEqual(status, 200)
        return pages

    def api_page(self, name):
        return next((page for page in self.api_pages() if page['name'] == name), None)

    def perk_named(self, style, slot_index, at):
        """The name of perk `at` of slot `slot_index` of `style`, as the game data has it."""
        perk_id = self.styles[style]['slots'][slot_index]['perks'][at]
        return next(name for name, known in self.perk_ids.items() if known == perk_id)

    def pick(self, legend, perk):
        """Clicks the perk's radio button in the picker's slot `legend`."""
        fieldset = self.browser.driver.find_element(
            'xpath', f'//dialog[@id="picker"]//fieldset[legend[normalize-space()="{legend}"]]')
        self.browser.by_label(perk, fieldset).click()

    def show_panel(self, name):
        self.browser.find(f'nav a[href="#{name}"]').click()
        self.browser.wait_for(lambda: self.browser.find(f'#panel-{name}').is_displayed(), f'the {name} panel')

    def notice(self, element_id, text):
        return self.browser.wait_for(lambda: text in self.browser.find(f'#{element_id}').text,
                                     f'{text!r} in #{element_id}')

    # The story.

    def test_1_a_page_made_in_the_picker_is_in_the_book(self):
        browser = self.browser
        self.card('Tempest Starter')
        # What the plugin published before the page opened is in the event log.
        browser.wait_for(lambda: any('/tav-perks/v1/pages' in line.text for line in browser.find_all('#events-list > li')),
                         'the recent history of events')
        browser.screenshot('book-presets')
        browser.click('New page')
        name = browser.find('#picker-name')
        name.clear()
        name.send_keys('Squall')
        Select(browser.find('#picker-primary')).select_by_visible_text('Verdant')
        Select(browser.find('#picker-sub')).select_by_visible_text('Arcana')
        verdant, arcana = self.styles['Verdant'], self.styles['Arcana']
        chosen = []
        for index, slot in enumerate(verdant['slots']):
            self.pick(slot['slotLabel'], self.perk_named('Verdant', index, 1))
            chosen.append(slot['perks'][1])
        for index in (1, 3):
            self.pick(arcana['slots'][index]['slotLabel'], self.perk_named('Arcana', index, 2))
            chosen.append(arcana['slots'][index]['perks'][2])
        self.assertEqual(browser.find('#picker-problems').text, '')
        browser.screenshot('picker')
        browser.click('Create page')

        self.card('Squall')
        page = wait_until(lambda: self.api_page('Squall'), 'Squall in GET /pages')
        self.assertEqual((page['primaryStyleId'], page['subStyleId']), (verdant['id'], arcana['id']))
        self.assertEqual(page['selectedPerkIds'], chosen)
        self.assertTrue(page['isValid'] and page['current'])
        # The card names the styles and every perk, and shows the flags.
        card = wait_until(lambda: self.card('Squall').text, 'the text of Squall')
        self.assertIn('Verdant + Arcana', card)
        for perk_id in chosen:
            self.assertIn(next(n for n, i in self.perk_ids.items() if i == perk_id), card)
        for flag in ('✓ current', '✓ valid', '✓ editable', '✓ deletable', '✗ active'):
            self.assertIn(flag, card)

    def test_2_an_edit_shows_why_a_page_is_invalid_and_its_diff(self):
        browser = self.browser
        arcana = self.styles['Arcana']
        browser.click('Edit Squall')
        # One sub-style slot left empty: the picker says why before saving.
        self.pick(arcana['slots'][3]['slotLabel'], 'none')
        problems = browser.find('#picker-problems').text
        self.assertIn('5 perks chosen; a page needs 6', problems)
        self.assertIn("1 of the sub-style's 2 slots filled", problems)
        browser.click('Save page')
        text = browser.wait_for(lambda: 'Invalid:' in self.card('Squall').text and self.card('Squall').text,
                                'Squall marked invalid')
        self.assertIn('5 perks chosen; a page needs 6', text)
        self.assertFalse(self.api_page('Squall')['isValid'])

        browser.click('Edit Squall')
        name = browser.find('#picker-name')
        name.clear()
        name.send_keys('Squall II')
        self.pick(arcana['slots'][2]['slotLabel'], self.perk_named('Arcana', 2, 0))
        browser.click('Save page')
        self.card('Squall II')
        page = wait_until(lambda: self.api_page('Squall II'), 'Squall II in GET /pages')
        self.assertTrue(page['isValid'])
        self.assertEqual(page['selectedPerkIds'][4:], [arcana['slots'][1]['perks'][2], arcana['slots'][2]['perks'][0]])

        # The event of the page shows what the edit changed.
        uri = f'/tav-perks/v1/pages/{page["id"]}'
        line = browser.wait_for(
            lambda: next((item for item in browser.find_all('#events-list > li')
                          if uri in item.text and 'Squall II' in item.get_attribute('textContent')), None),
            f'the event of {uri}')
        browser.find('summary', line).click()
        self.assertIn('~ name: "Squall" → "Squall II"', browser.find('.diff', line).text)

    def test_3_pages_move_from_the_keyboard_and_are_deleted(self):
        browser = self.browser
        status, breeze = call(self.core, 'POST', '/tav-perks/v1/pages', {
            'name': 'Breeze', 'primaryStyleId': 710, 'subStyleId': 720,
            'selectedPerkIds': self.styles['Tempest']['defaultPerks']})
        self.assertEqual(status, 200)
        browser.wait_for(lambda: self.card_names()[:2] == ['Squall II', 'Breeze'], 'Breeze after Squall II')

        browser.click('Move down Squall II')
        browser.wait_for(lambda: self.card_names()[:2] == ['Breeze', 'Squall II'], 'Squall II moved down')
        self.assertEqual([page['name'] for page in self.api_pages()[:2]], ['Breeze', 'Squall II'])
        # From the keyboard: the focus stays with the page across the
        # redraw, on its next button once Move up is off at the top.
        wait_until(lambda: browser.button('Move up Squall II').send_keys(Keys.ENTER) or True, 'Move up Squall II')
        browser.wait_for(lambda: self.card_names()[:2] == ['Squall II', 'Breeze'], 'Squall II moved up')
        self.assertEqual([page['name'] for page in self.api_pages()[:2]], ['Squall II', 'Breeze'])
        focused = browser.wait_for(
            lambda: browser.script('return document.activeElement.getAttribute("aria-label")'), 'a focused button')
        self.assertEqual(focused, 'Set current Squall II')  # Breeze, made last, is current

        browser.click('Delete Breeze')
        browser.wait_for(lambda: 'Breeze' not in self.card_names(), 'Breeze gone')
        self.assertIsNone(self.api_page('Breeze'))
        # A preset page cannot be deleted: its button says so by being off.
        self.assertFalse(browser.button('Delete Tempest Starter').is_enabled())

    def test_4_a_champion_select_pushes_the_page_and_marks_it_active(self):
        browser = self.browser
        browser.click('Set current Squall II')
        wait_until(lambda: self.api_page('Squall II')['current'], 'Squall II current')
        self.show_panel('game')
        Select(browser.find('#gameflow-phase')).select_by_visible_text('ChampSelect')
        browser.click('Set the phase')
        self.notice('gameflow-now', 'ChampSelect')
        Select(browser.wait_for(lambda: browser.find('#champ-select-champion').find_elements('tag name', 'option')
                                and browser.find('#champ-select-champion'), 'the champions'))\
            .select_by_visible_text('Aurelia')
        Select(browser.find('#champ-select-timer')).select_by_visible_text('FINALIZATION')
        browser.click('Set champion select')
        self.notice('champ-select-now', 'Aurelia, FINALIZATION')
        row = browser.wait_for(lambda: browser.find_all('#pushes tr.accepted') and
                               browser.find('#pushes tr.accepted').text, 'an accepted push')
        squall = self.api_page('Squall II')
        for perk_id in squall['selectedPerkIds']:
            self.assertIn(next(n for n, i in self.perk_ids.items() if i == perk_id), row)

        # The game refuses every attempt: the plugin's own failure is shown as it came.
        browser.by_label('Pushes to refuse').clear()
        browser.by_label('Pushes to refuse').send_keys('4')
        browser.click('Set the failures')
        self.notice('customization-form', 'Done')
        self.show_panel('book')
        browser.wait_for(lambda: '✓ active' in self.card('Squall II').text, 'Squall II marked active')
        self.assertTrue(self.api_page('Squall II')['isActive'])
        browser.click('Set current Tempest Starter')
        self.notice('book-notice', 'Customization service unavailable')
        self.show_panel('game')
        browser.wait_for(lambda: 'perks_champselect_platform_retries_occurred' in browser.find('#telemetry').text,
                         'the retries telemetry')
        browser.screenshot('game')
        Select(browser.find('#gameflow-phase')).select_by_visible_text('None')
        browser.click('Set the phase')
        self.notice('gameflow-now', 'None')

        # Out of champion select, a disabled perk makes the pages using it invalid, and they say why.
        keystone = next(n for n, i in self.perk_ids.items() if i == squall['selectedPerkIds'][0])
        browser.by_label(keystone, browser.find('#disabled-choices')).click()
        browser.click('Send the disabled perks')
        self.notice('disabled-now', keystone)
        browser.by_label('Summoner level').clear()
        browser.by_label('Summoner level').send_keys('12')
        browser.click('Set level and pages')
        browser.wait_for(lambda: browser.find('#limits-now').text == 'CanSelectPages, CanSelectKeystones',
                         'the limits of level 12')
        self.show_panel('book')
        browser.wait_for(lambda: f'{keystone} is disabled' in self.card('Squall II').text, 'the reason Squall II is invalid')
        self.assertFalse(self.api_page('Squall II')['isValid'])

    def test_5_the_page_reconnects_by_itself_when_tav_core_restarts(self):
        browser = self.browser
        before = self.api_pages()
        browser.script('window.notReloaded = true')
        self.core.kill()
        browser.wait_for(lambda: browser.find('#connection').get_attribute('data-state') != 'open',
                         'the page to see tav-core gone')
        self.core.start()
        browser.wait_for(lambda: browser.find('#connection').get_attribute('data-state') == 'open',
                         'the page to reconnect')
        self.assertTrue(browser.script('return window.notReloaded === true'))
        self.assertEqual([(p['id'], p['name']) for p in self.api_pages()], [(p['id'], p['name']) for p in before])
        browser.wait_for(lambda: self.card_names() == [p['name'] for p in before],
                         f'the book drawn again: {[p["name"] for p in before]}')
        browser.screenshot('book')
        browser.resize(420, 900)
        browser.screenshot('book-narrow')
        browser.resize(1280, 800)

    def test_6_an_api_form_answers_what_curl_gets(self):
        browser = self.browser
        self.show_panel('api')
        squall = self.api_page('Squall II')
        cases = [
            # (operation, path parameter, body format, body)
            ('GET-tav-perks-v1-pages-id-', str(squall['id']), None, None),
            ('POST-tav-perks-v1-update-page-order', None, 'MessagePack (written as JSON, sent encoded)',
             '{"targetPageId": 1, "destinationPageId": 2, "offset": 1}'),
            ('POST-tav-perks-v1-pages', None, 'YAML',
             'name: Gust\nprimaryStyleId: 720\nsubStyleId: 710\nselectedPerkIds: [7201, 7204]\n'),
        ]
        for key, parameter, body_format, body in cases:
            with self.subTest(operation=key):
                operation = browser.wait_for(lambda: browser.find(f'#operation-{key}'), key)
                browser.find('summary', operation).click()
                if parameter:
                    browser.find('input[name="id"]', operation).send_keys(parameter)
                if body_format:
                    Select(browser.find('select[name="format"]', operation)).select_by_visible_text(body_format)
                if body:
                    textarea = browser.find('textarea', operation)
                    textarea.clear()
                    textarea.send_keys(body)
                browser.click('Send', lambda: browser.find(f'#operation-{key}'))
                answer = browser.wait_for(lambda: browser.find_all('.answer-body', operation), 'the answer')[0]
                command = browser.find('.curl-command', operation).text
                curl = subprocess.run(['sh', '-c', command], capture_output=True, text=True, timeout=30)
                self.assertEqual(curl.returncode, 0, curl.stderr)
                if key == 'POST-tav-perks-v1-pages':
                    # Each POST makes a page: the two answers differ by id only.
                    shown, fetched = json.loads(answer.text), json.loads(curl.stdout)
                    self.assertNotEqual(shown.pop('id'), fetched.pop('id'))
                    shown.pop('order'), fetched.pop('order')
                    self.assertEqual(shown, fetched)
                else:
                    self.assertEqual(answer.text, curl.stdout)
        self.assertEqual(browser.find('#operation-POST-tav-perks-v1-update-page-order .answer-body').text,
                         '{"error":"Target page ID is invalid."}')
        browser.screenshot('api')

    def test_7_the_store_is_reset_behind_a_confirmation(self):
        browser = self.browser
        self.show_panel('status')
        self.notice('status-store', 'PerksPreferences/page-settings')
        self.assertRegex(browser.find('#status-memory').text, r'bytes in use\s+[1-9]')
        self.assertIn('tav-perks', browser.find('#status-plugin').text)
        self.assertRegex(browser.find('#status-events').text, r'kept frames\s+[1-9]')
        browser.screenshot('status')
        browser.click('Reset the store…')
        self.assertEqual(browser.script('return document.activeElement.id'), 'confirm-no')
        browser.click('Cancel', lambda: browser.find('#confirm'))
        self.assertEqual(call(self.core, 'GET', '/tav-core/v1/store')[1]['documents'],
                         ['PerksPreferences/page-settings'])
        browser.click('Reset the store…')
        browser.click('Reset the store', lambda: browser.find('#confirm'))
        self.notice('status-notice', 'Store reset: removed PerksPreferences/page-settings')
        self.assertEqual(call(self.core, 'GET', '/tav-core/v1/store')[1]['documents'], [])
        self.notice('status-store', 'documents\nnone')

        # The plugin still holds its book; resetting the book to the presets stores it again.
        self.show_panel('book')
        browser.click('Reset to presets…')
        browser.click('Reset the book', lambda: browser.find('#confirm'))
        presets = ['Reverie Starter', 'Arcana Starter', 'Verdant Starter', 'Bastion Starter', 'Tempest Starter']
        browser.wait_for(lambda: self.card_names() == presets, 'only the presets in the book')
        self.assertEqual([page['name'] for page in self.api_pages()], presets)
        self.assertEqual(call(self.core, 'GET', '/tav-core/v1/store')[1]['documents'],
                         ['PerksPreferences/page-settings'])

    def test_8_the_page_ran_without_errors(self):
        self.assertEqual(self.browser.console_errors(), [])


if __name__ == '__main__':
    CORE_PATH, DATA_DIR, ARTIFACTS = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
