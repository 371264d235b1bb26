#!/usr/bin/python3
"""The program as a clerk with a screen reader meets it.

Starts the real program on its own X display (Xvfb with openbox), session bus and accessibility
bus, with the bridge a screen reader turns on, then reads it through AT-SPI as the reader does:
one walk of the window's tree (every control named, described, in the focus order), then one
declaration typed with real keys, checking at each step what the reader is told: where the focus
went, which message box came up with which text and buttons, what the status line says.

usage: screen_reader_test.py PROGRAM CREATE_DATABASE RETEN_SQL [--verbose]
"""

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# The window's controls that take the focus, in the order the reader walks them: role, name,
# description, and whether Tab stops there (the two read-only header boxes only take a click).
# This is the window's focus order.
CONTROLS = [
    ('text', 'Legajo Municipal', 'Solo dígitos', True),
    ('text', 'Mes Retención (Nro)', 'Número de mes, de 1 a 12', True),
    ('text', 'Año Retención', 'Cuatro dígitos, AAAA', True),
    ('text', 'Cuit Declarante', 'Solo lectura, la completa el legajo', False),
    ('text', 'Razón Social Declarante', 'Solo lectura, la completa el legajo', False),
    ('table', 'Retenciones cargadas', 'Doble click o Supr borra el renglón', True),
    ('push button', 'CONFIRMA', 'Genera el archivo de la declaración y el listado PDF', True),
    ('text', 'CUIT Proveedor', '11 dígitos', True),
    ('text', 'Razón Social Proveedor', '', True),
    ('text', 'Fecha Retención', 'DD/MM/AAAA, del mes y año declarados', True),
    ('text', 'Nro. Comprobante Retención', 'Solo dígitos', True),
    ('text', 'Importe Comprobante', 'Con punto decimal, por ejemplo 1500.50', True),
    ('text', 'Importe Retención', 'Solo lectura, se calcula del importe del comprobante', True),
    ('push button', 'ADICIONA', 'Agrega la retención a la grilla', True),
    ('text', 'Total Retenciones', 'Solo lectura', True),
    ('push button', 'LIMPIA / REINICIA TODO', 'Escape, pregunta antes de borrar todo lo ingresado', True),
    ('push button', 'Ayuda', 'Abre la ayuda', True),
    ('push button', 'Importación de Archivo', 'Elige un archivo con el formato de la declaración o una planilla CSV', True),
    ('push button', 'Carga Manual', 'Recarga la declaración del período si existe, y se cargan de a una', True),
]

TAB_STOPS = [(role, name) for role, name, _, tab_stop in CONTROLS if tab_stop]

GRID_HEADERS = ['Renglón', 'Nro.Comp.', 'Fecha', 'Importe Comp.', 'Importe Ret.', 'Empresa', 'CUIT']
DONE = 'SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  '


def focus(role, name):
    return ('focus', role, name)


def box(title, text, role='alert'):
    return ('box', role, title, text)


def maybe(announcement):
    # Heard or not, as the timing of the desktop has it.
    return ('maybe', announcement)


# One declaration typed as the clerk types it: the keys, what the reader is told then, in order,
# and what the window reads afterwards (a check below). Keys are 'key NAMES' or 'type TEXT';
# {imported} stands for the file to import.
STEPS = [
    (['type 140', 'key Tab'], [focus('text', 'Mes Retención (Nro)')]),
    (['type 13', 'key Tab'],
     [box('Information', 'Atención error en el nro de mes !!!'), focus('push button', 'OK')]),
    # The box gone, the reader is back where the program puts the focus: the refused box.
    (['key Return'], [focus('text', 'Mes Retención (Nro)')]),
    (['key End BackSpace BackSpace', 'type 10', 'key Tab'], [focus('text', 'Año Retención')]),
    (['type 2017', 'key Tab'], [focus('table', 'Retenciones cargadas, ninguna')]),
    # The rest of the focus order, as far as it is shown and enabled now.
    (['key Tab'], [focus('text', 'Total Retenciones')]),
    (['key Tab'], [focus('push button', 'LIMPIA / REINICIA TODO')]),
    (['key Tab'], [focus('push button', 'Ayuda')]),
    (['key Return'], [box('Ayuda', None, role='dialog'), focus('text', 'Texto de ayuda')]),
    (['key alt+F4'], [focus('push button', 'Ayuda')]),
    (['key Tab'], [focus('push button', 'Importación de Archivo')]),
    (['key Tab'], [focus('push button', 'Carga Manual')]),
    (['key Return'], [focus('text', 'CUIT Proveedor')]),
    (['type 20299853854', 'key Return'], [focus('text', 'Razón Social Proveedor')]),
    (['type proveedor uno', 'key Return'], [focus('text', 'Fecha Retención')]),
    (['type 15102017', 'key Return'], [focus('text', 'Nro. Comprobante Retención')]),
    (['type 1001', 'key Return'], [focus('text', 'Importe Comprobante')]),
    (['type 1000', 'key Return'], [focus('push button', 'ADICIONA')], 'withheld amount'),
    (['key Return'], [focus('text', 'CUIT Proveedor')]),
    (['type 20299853854', 'key Return'], [focus('text', 'Razón Social Proveedor')]),
    (['type proveedor dos', 'key Return'], [focus('text', 'Fecha Retención')]),
    (['type 16102017', 'key Return'], [focus('text', 'Nro. Comprobante Retención')]),
    (['type 1002', 'key Return'], [focus('text', 'Importe Comprobante')]),
    # An amount with a comma is not a number: the default error box, titled after the program.
    (['type 2,5', 'key Return'],
     [box('Retenciones', "'2,5' is not a valid floating point value."), focus('push button', 'OK')]),
    (['key Return'], [focus('text', 'Importe Retención')]),
    (['key shift+Tab'], [focus('text', 'Importe Comprobante')]),
    (['key End BackSpace BackSpace BackSpace', 'type 2000', 'key Return'], [focus('push button', 'ADICIONA')]),
    (['key Return'], [focus('text', 'CUIT Proveedor')]),
    # The first row deleted from the keyboard: the reader is told the row is gone.
    (['key shift+Tab'], [focus('push button', 'CONFIRMA')]),
    # Entering the grid, the reader is told the current row too.
    (['key shift+Tab'], [focus('table cell', 'Renglón 1')]),
    (['key Delete'], [('renamed', 'table cell', '1 borrado')], 'deleted row'),
    (['key Tab'], [focus('push button', 'CONFIRMA')]),
    (['key Return'], [box('Confirm', 'Confirma Generar Archivo con Caracter de DDJJ ?'), focus('push button', 'Yes')]),
    # Back on CONFIRMA while the declaration is written, then the result on the status line and
    # the legajo box for the next one.
    (['key Return'], [maybe(focus('push button', 'CONFIRMA')), ('status', DONE), focus('text', 'Legajo Municipal')],
     'declaration written'),
    # The same period imported again with one amount changed: the mismatch and its details.
    (['type 140', 'key Tab', 'type 10', 'key Tab', 'type 2017', 'key Tab', 'key shift+Tab', 'key shift+Tab'],
     [focus('push button', 'Importación de Archivo')]),
    (['key Return'], [box('Open', None, role='dialog'), focus('text', 'File name:')]),
    (['type {imported}', 'key Return'],
     [box('Information', 'Atención, No coincide importe de retención, verifique!!!'),
      focus('push button', 'OK')]),
    (['key Tab'], [focus('push button', 'Show Details...')]),
    (['key space'], [('renamed', 'push button', 'Hide Details...')], 'details'),
    (['key Escape'], [focus('text', 'Legajo Municipal')]),
]


def die_with_parent():
    # A process this test starts ends with it, however the test ends.
    ctypes.CDLL('libc.so.6', use_errno=True).prctl(1, signal.SIGTERM)


class Session:
    """Xvfb, openbox, the accessibility bus and the program, each stopped by its PID."""

    def __init__(self, program, create_database, sql):
        self.processes = []
        self.folder = tempfile.mkdtemp(prefix='screen-reader-')
        try:
            self.set_up(os.path.abspath(program), os.path.abspath(create_database), os.path.abspath(sql))
        except BaseException:
            self.logs()
            self.stop()
            raise

    def set_up(self, program, create_database, sql):
        self.work = self.make('work')
        runtime = self.make('runtime')
        os.chmod(runtime, 0o700)
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(('RETENCIONES_', 'XDG_', 'QT_')) and k != 'DISPLAY'}
        self.env.update(HOME=self.make('home'), XDG_RUNTIME_DIR=runtime)
        self.start_desktop()
        self.start(['/usr/libexec/at-spi-bus-launcher', '--launch-immediately'])
        # The program runs from a folder of its own, where its listing goes and is removed with
        # the rest.
        copy = os.path.join(self.make('program'), os.path.basename(program))
        shutil.copy2(program, copy)
        program = copy
        database = os.path.join(self.folder, 'RETENCIONES.FDB')
        subprocess.run([create_database, database, sql], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, preexec_fn=die_with_parent)
        self.program = self.start([program], cwd=self.work, extra={
            'RETENCIONES_DATABASE': database,
            'QT_QPA_PLATFORM': 'xcb',
            'QT_LINUX_ACCESSIBILITY_ALWAYS_ON': '1',
        })

    def start_desktop(self):
        # A display and its window manager. Tests of other programs on this machine start and
        # stop displays of their own at the same moments: a display that cannot be reached
        # (its number taken again meanwhile) is given up for another.
        for attempt in range(3):
            first = len(self.processes)
            self.env['DISPLAY'] = self.start_display()
            os.environ['DISPLAY'] = self.env['DISPLAY']
            window_manager = self.start(['openbox', '--sm-disable'])
            end = time.monotonic() + 30
            while time.monotonic() < end and window_manager.poll() is None:
                if self.window_manager_runs():
                    return
                time.sleep(0.05)
            for process in reversed(self.processes[first:]):
                process.kill()
                process.wait()
            del self.processes[first:]
        raise RuntimeError('waited in vain for openbox to manage a display')

    def make(self, name):
        path = os.path.join(self.folder, name)
        os.mkdir(path)
        return path

    def start(self, args, cwd=None, extra=None):
        env = dict(self.env, **(extra or {}))
        # What each one says goes to a log of its own, shown when the test fails.
        log = open(os.path.join(self.folder, os.path.basename(args[0]) + '.log'), 'wb')
        process = subprocess.Popen(args, env=env, cwd=cwd, stdout=log, stderr=subprocess.STDOUT,
                                   preexec_fn=die_with_parent)
        log.close()
        self.processes.append(process)
        return process

    def start_display(self):
        # Xvfb picks a free display and writes its number to the pipe: tests run side by side.
        read_end, write_end = os.pipe()
        self.processes.append(subprocess.Popen(
            ['Xvfb', '-displayfd', str(write_end), '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=die_with_parent))
        os.close(write_end)
        with os.fdopen(read_end, 'rb') as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError('Xvfb did not start')
        return ':' + number.decode()

    def window_manager_runs(self):
        query = subprocess.run(['xprop', '-root', '_NET_SUPPORTING_WM_CHECK'], env=self.env,
                               capture_output=True, text=True)
        return 'window id' in query.stdout

    @staticmethod
    def wait_for(condition, what, seconds=30):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if condition():
                return
            time.sleep(0.05)
        raise RuntimeError('waited in vain for ' + what)

    def xdotool(self, *args):
        subprocess.run(['xdotool'] + list(args), env=self.env, check=True)

    def logs(self):
        for name in sorted(os.listdir(self.folder)):
            if name.endswith('.log'):
                with open(os.path.join(self.folder, name), errors='replace') as log:
                    text = log.read().strip()
                if text:
                    print('--- %s\n%s' % (name, text[-3000:]))

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


class Reader:
    """What a screen reader hears: focus moves, windows and boxes that come up, status changes."""

    def __init__(self, pyatspi, GLib, verbose):
        self.pyatspi = pyatspi
        self.context = GLib.MainContext.default()
        self.verbose = verbose
        self.heard = []
        self.focused = None
        for kind in ('object:state-changed:focused', 'window:activate',
                     'object:property-change:accessible-name'):
            pyatspi.Registry.registerEventListener(self.on_event, kind)

    def on_event(self, event):
        try:
            source = event.source
            role = source.getRoleName()
            if event.type.startswith('object:state-changed:focused'):
                if event.detail1:
                    self.focused = source
                    self.hear(('focus', role, source.name))
            elif event.type.startswith('window:activate'):
                if role in ('alert', 'dialog'):
                    self.hear(('box', role, source.name, self.box_text(source)))
            elif role == 'status bar':
                self.hear(('status', source.name))
            elif source == self.focused or (role == 'table cell' and source.parent == self.focused
                                             and source.getState().contains(self.pyatspi.STATE_FOCUSED)):
                # A reader reads a new name of the control it is on, or of the current cell of
                # the table it is on, and of no other.
                self.hear(('renamed', role, source.name))
        except Exception as error:  # an object gone by the time it is read is no announcement
            if self.verbose:
                print('  (event unread: %s)' % error)

    def hear(self, announcement):
        if self.verbose:
            print('  heard', announcement)
        self.heard.append(announcement)

    def box_text(self, box):
        # The box's own text: what the reader reads out when a box comes up. Its buttons must
        # all be named as well.
        texts = []
        for child in walk(box, self.pyatspi):
            role = child.getRoleName()
            if role == 'label' and child.name:
                texts.append(child.name)
            if role == 'push button' and not child.name:
                texts.append('<unnamed button>')
        return texts

    def pump(self, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            while self.context.iteration(False):
                pass
            time.sleep(0.01)

    def listen(self, expected, quiet=0.5, seconds=20):
        """What the reader says once the step is over: a focus move is cut short by the next
        one or by a box coming up, as the reader's speech is, so only the last is heard. The
        step is over once what was expected has been heard and nothing more comes for a while,
        or at the end of the time given."""
        self.heard = []
        end = time.monotonic() + seconds
        count = -1
        last_change = time.monotonic()
        while time.monotonic() < end:
            self.pump(0.05)
            if len(self.heard) != count:
                count = len(self.heard)
                last_change = time.monotonic()
            elif time.monotonic() - last_change > quiet and heard_as_expected(spoken(self.heard), expected):
                break
        return spoken(self.heard)


def spoken(heard):
    result = []
    for announcement in heard:
        if result and announcement[0] in ('focus', 'box') and result[-1][0] == 'focus':
            result[-1] = announcement
        else:
            result.append(announcement)
    return result


def walk(node, pyatspi):
    """The node and its descendants in the reader's order; a table's cells are read apart."""
    yield node
    if node.getRole() == pyatspi.ROLE_TABLE:
        return
    for child in node:
        if child is not None:
            yield from walk(child, pyatspi)


def heard_as_expected(heard, expected):
    if not expected:
        return not heard
    if expected[0][0] == 'maybe':
        return (bool(heard) and matches(heard[0], expected[0][1]) and heard_as_expected(heard[1:], expected[1:])
                or heard_as_expected(heard, expected[1:]))
    return bool(heard) and matches(heard[0], expected[0]) and heard_as_expected(heard[1:], expected[1:])


def matches(heard, expected):
    if heard[0] != expected[0] or len(heard) != len(expected):
        return False
    if heard[0] == 'box':
        role, title, text = expected[1:]
        return (heard[1] == role and heard[2] == title and '<unnamed button>' not in heard[3]
                and (text is None or text in heard[3]))
    if heard[0] == 'status':
        return heard[1].startswith(expected[1])
    return heard == expected


class Failures(list):
    def check(self, condition, message):
        if not condition:
            self.append(message)
        return condition


def find_application(pyatspi, pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for application in desktop:
        if application is not None and application.get_process_id() == pid:
            return application
    return None


def check_tree(pyatspi, application, failures):
    """The one walk of the tree: names, descriptions and the order of the focusable controls."""
    failures.check(application.name == 'Retenciones', 'the application is named %r' % application.name)
    windows = [w for w in application if w is not None]
    failures.check(len(windows) == 1 and windows[0].getRoleName() == 'frame'
                   and windows[0].name == 'Retenciones',
                   'the main window is %r' % [(w.getRoleName(), w.name) for w in windows])
    window = windows[0]
    focusable = []
    status = None
    table = None
    for node in walk(window, pyatspi):
        state = node.getState()
        role = node.getRoleName()
        if role == 'status bar':
            status = node
        if node.getRole() == pyatspi.ROLE_TABLE:
            table = node
        if state.contains(pyatspi.STATE_FOCUSABLE) and role != 'label':
            focusable.append((role, node.name, node.description))
            failures.check(node.name.strip() != '', 'a focusable %s has no name' % role)
    expected = [(role, name, description) for role, name, description, _ in CONTROLS]
    if not failures.check(focusable == expected, 'the focusable controls, in order, are not the expected ones'):
        for got, want in zip(focusable + [None] * len(expected), expected + [None] * len(focusable)):
            if got != want:
                failures.append('  read %r, expected %r' % (got, want))
    names = [name for _, name, _ in focusable]
    failures.check(len(set(names)) == len(names), 'two controls have the same name')
    failures.check(status is not None, 'the status line is not a status bar')
    if failures.check(table is not None, 'the grid is no table'):
        grid = table.queryTable()
        # The titles are read as the first row, and each cell's name carries its own: the
        # table names no header of its own, which a reader would read a second time.
        headers = [table.getChildAtIndex(c + 1) for c in range(grid.nColumns)]
        failures.check([h.name for h in headers] == GRID_HEADERS and
                       all(h.getRoleName() == 'table column header' for h in headers),
                       'the grid reads its titles as %r' % [(h.getRoleName(), h.name) for h in headers])
        failures.check(grid.getColumnHeader(0) is None, 'the grid names a column header')
        # The empty grid draws its rows; a reader is told of none.
        failures.check(grid.nRows == 0, 'the empty grid has %d rows' % grid.nRows)
    return window, table


def text_of(node):
    text = node.queryText()
    return text.getText(0, -1)


def control(window, pyatspi, role, name):
    for node in walk(window, pyatspi):
        # The grid, once entered, is named with its count too.
        if node.getRoleName() == role and (node.name == name or role == 'table' and node.name.startswith(name + ',')):
            return node
    raise LookupError(name)


def drive(session, reader, pyatspi, window, table, failures, verbose):
    """One declaration by keyboard, checking each step's announcements."""
    imported = os.path.join(session.folder, 'importar.txt')
    on = 'Legajo Municipal'
    for number, (keys, expected, *check) in enumerate(STEPS, 1):
        if verbose:
            print('step %d: %s' % (number, keys))
        if keys in (['key Tab'], ['key shift+Tab']) and on in [n for _, n in TAB_STOPS]:
            # Where Tab goes is the window's focus order, skipping what is hidden or disabled now.
            target = next_tab_stop(window, pyatspi, on, keys == ['key Tab'])
            # A table is entered on its current row when it has one.
            failures.check(expected == [focus(*target)] or target[0] == 'table' and expected[0][1] == 'table cell',
                           'step %d: Tab from %s should reach %s' % (number, on, target[1]))
        if any('{imported}' in k for k in keys):
            make_mismatch(session.work, imported)
        for key in keys:
            verb, _, argument = key.partition(' ')
            argument = argument.format(imported=imported)
            if verb == 'type':
                session.xdotool('type', '--delay', '15', argument)
            else:
                session.xdotool('key', '--delay', '40', *argument.split())
        heard = reader.listen(expected)
        if not heard_as_expected(heard, expected):
            failures.append('step %d (%s): heard %r, expected %r' % (number, ' / '.join(keys), heard, expected))
            if verbose:
                subprocess.run(['import', '-window', 'root', 'screen_reader_failure.png'], env=session.env)
            return
        for name in check:
            CHECKS[name](session, pyatspi, window, table.queryTable(), failures)
        focused = [h for h in heard if h[0] == 'focus']
        if focused:
            on = focused[-1][2]


def next_tab_stop(window, pyatspi, name, forward):
    names = [n for _, n in TAB_STOPS]
    step = 1 if forward else -1
    at = names.index(name)
    for i in range(1, len(names)):
        role, candidate = TAB_STOPS[(at + step * i) % len(names)]
        state = control(window, pyatspi, role, candidate).getState()
        if state.contains(pyatspi.STATE_SHOWING) and state.contains(pyatspi.STATE_ENABLED):
            return role, candidate
    return TAB_STOPS[at]


def check_withheld_amount(session, pyatspi, window, grid, failures):
    withheld = text_of(control(window, pyatspi, 'text', 'Importe Retención'))
    failures.check(withheld == '5', 'the withheld amount reads %r' % withheld)


def check_deleted_row(session, pyatspi, window, grid, failures):
    deleted = [grid.getAccessibleAt(0, c).name for c in range(grid.nColumns)]
    failures.check(deleted == ['1 borrado', '', '', '', '', '', ''], 'the deleted row reads %r' % deleted)
    kept = [grid.getAccessibleAt(1, c).name for c in range(grid.nColumns)]
    failures.check(kept[:5] == ['Renglón 2', 'Nro.Comp. 1002', 'Fecha 16/10/2017', 'Importe Comp. 2000.00',
                                'Importe Ret. 10'], 'the second row reads %r' % kept)
    total = text_of(control(window, pyatspi, 'text', 'Total Retenciones'))
    failures.check(total == '10', 'the total reads %r' % total)


def check_declaration_written(session, pyatspi, window, grid, failures):
    declaration = os.path.join(session.work, '17A00140.txt')
    failures.check(os.path.exists(declaration), 'no declaration file was written')
    failures.check(grid.nRows == 0, 'the emptied grid has %d rows' % grid.nRows)


def check_details(session, pyatspi, window, grid, failures):
    boxes = [top for top in window.parent if top is not None and top.getRoleName() == 'alert']
    details = [n for box in boxes for n in walk(box, pyatspi) if n.getRoleName() == 'text']
    failures.check(len(details) == 1 and details[0].name == 'Details' and '1002' in text_of(details[0]),
                   'the details read %r' % [(n.name, text_of(n)) for n in details])


CHECKS = {
    'withheld amount': check_withheld_amount,
    'deleted row': check_deleted_row,
    'declaration written': check_declaration_written,
    'details': check_details,
}


def make_mismatch(folder, path):
    # The declaration just written, with the withheld amount of its record (columns 28 to 38)
    # turned from 10 into 99.
    with open(os.path.join(folder, '17A00140.txt'), 'rb') as written:
        record = written.read()
    if record[27:38] != b'00000001000':
        raise RuntimeError('the declaration holds %r' % record)
    with open(path, 'wb') as changed:
        changed.write(record[:27] + b'00000009900' + record[38:])


def run(program, create_database, sql, verbose):
    session = Session(program, create_database, sql)
    failures = Failures()
    try:
        # The accessibility bus is up: the library finds it now.
        import gi
        gi.require_version('Atspi', '2.0')
        from gi.repository import GLib
        import pyatspi
        application = None

        def ready():
            # Shown, with the focus in a box.
            nonlocal application
            application = find_application(pyatspi, session.program.pid)
            return application is not None and any(
                n.getRoleName() == 'text' and n.getState().contains(pyatspi.STATE_FOCUSED)
                for n in walk(application, pyatspi))

        session.wait_for(ready, 'the window on the accessibility bus', 60)
        reader = Reader(pyatspi, GLib, verbose)
        reader.pump(0.5)
        window, table = check_tree(pyatspi, application, failures)
        if table is not None and not failures:
            drive(session, reader, pyatspi, window, table, failures, verbose)
        failures.check(session.program.poll() is None, 'the program ended')
    finally:
        if failures:
            session.logs()
        session.stop()
    for failure in failures:
        print('FAIL:', failure)
    return 1 if failures else 0


def main():
    args = [a for a in sys.argv[1:] if a != '--verbose']
    verbose = '--verbose' in sys.argv
    if len(args) != 3:
        print(__doc__)
        return 2
    if os.environ.get('SCREEN_READER_TEST_SESSION') != '1':
        # A bus of its own, gone with the test.
        env = dict(os.environ, SCREEN_READER_TEST_SESSION='1')
        return subprocess.run(['dbus-run-session', '--', sys.executable] + sys.argv, env=env).returncode
    return run(*args, verbose)


if __name__ == '__main__':
    sys.exit(main())
