"""Kestrune's checks of Japanese text by its Shift-JIS (code page 932) bytes.

A str is converted from UTF-8 as kestrune-check converts it (a character code page 932 lacks
fails the text); bytes are taken as code page 932. Positions are 1-based byte positions in
code page 932, as kestrune-check prints them.
"""

from typing import Iterable, NamedTuple, Optional, Sequence, Union

__version__: str

Text = Union[str, bytes]

class Finding:
    """One rejected character, or one failed rule."""

    @property
    def rule(self) -> str:
        """The rule that rejected it; '' for a character lost in converting."""
    @property
    def position(self) -> int:
        """Its 1-based byte position in code page 932; 0 for a rule that names none."""
    @property
    def kind(self) -> Optional[str]:
        """'nec-special', 'ibm-extension', 'not-in-cp932', ... or None."""
    @property
    def character(self) -> str: ...
    @property
    def suggestion(self) -> Optional[str]:
        """A replacement that keeps the meaning exactly, or None."""

class RuleResult:
    """What one rule of a check found."""

    @property
    def name(self) -> str: ...
    @property
    def ok(self) -> bool: ...
    @property
    def position(self) -> int: ...
    @property
    def measured(self) -> int:
        """A measurement's value, or the text's size in bytes for max-bytes."""

class Result:
    """What a check found; true when the text passed."""

    @property
    def ok(self) -> bool: ...
    @property
    def position(self) -> int:
        """The first rejected byte position, 0 when ok."""
    @property
    def positions(self) -> list[int]: ...
    @property
    def kind(self) -> Optional[str]: ...
    @property
    def suggestion(self) -> Optional[str]: ...
    @property
    def findings(self) -> list[Finding]: ...
    @property
    def rules(self) -> list[RuleResult]: ...
    def __bool__(self) -> bool: ...

class Rules:
    """A rule list as kestrune-check --column takes it: 'full-katakana,max-bytes=40,required'.

    Raises ValueError for a list that does not parse. May be shared between threads.
    """

    def __init__(self, rules: str) -> None: ...
    def check(self, text: Text, *, all: bool = False) -> Result:
        """Checks one text by every rule in order."""
    @property
    def names(self) -> list[str]:
        """The rules that check, in order."""

class Failure(NamedTuple):
    """A failing value of check_column, by its first finding."""

    row: object
    rule: Optional[str]
    position: int
    kind: Optional[str]
    character: str
    suggestion: Optional[str]

def check(text: Text, operation: str, *, symbols: bool = True, all: bool = False) -> Result:
    """Runs one operation ('full-katakana', 'jis', 'zengin', 'byte-size', ...) over a text."""

def check_column(values: Union[Sequence[Optional[Text]], Iterable[Optional[Text]]],
                 rules: Union[Rules, str]) -> list[Failure]:
    """Checks every value of a sequence or a pandas Series, without the GIL.

    Returns the failing values; row is the Series' index label or the position. None and NaN
    are the empty text.
    """

def to_cp932(text: str) -> bytes:
    """The text in code page 932, a character it lacks as '?'."""

def from_cp932(data: bytes) -> str:
    """Code page 932 bytes as a str."""
